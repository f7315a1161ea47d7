// What a path's companions are called: working-copy and backup names,
// replacement of a file that keeps the previous version until the new one is
// in place, media bundle names and the small path helpers. What a file holds
// is told by database/FileFormat.h.
//
// Paths are 8-bit texts in either form: components separated by "\" (the
// Windows form, which stored paths use) or by "/". A path that contains a "/" is split on "/",
// any other on "\".
//
// Invariant: a replacement never deletes the previous version of a file before the
//     new one is in place; when the new one cannot be put there, the
//     previous one is put back.
#pragma once

#include <string>

#include "platform/Types.h"

namespace genvora {

// Path helpers.
AnsiString KELGetFileFullName(const AnsiString& path);
AnsiString KELGetFilePath(const AnsiString& path, bool stripTrailingSeparators);
AnsiString KELGetFileExt(const AnsiString& path);
AnsiString KELGetFileName(const AnsiString& path);
AnsiString KELChangeFileExt(const AnsiString& path, const AnsiString& extension);
bool KELFileExists(const AnsiString& path);
bool KELRemoveDirectory(const AnsiString& path);

// Working copies of current-format databases: ".genvora" <-> ".~genvora".
AnsiString KELGetFileNameTild(const AnsiString& path);
AnsiString KELGetFileNameNoTild(const AnsiString& path);
// Switch a file between its two names, keeping a file already at the target
// under ".~bak" until the switch is done. True when the file now has the
// target name. SafeRenameToTild does not look at what the file holds:
// SafeRenameGenvoraToTild (database/FileFormat.h) renames only a database.
bool SafeRenameToTild(const AnsiString& path);
bool SafeRenameTildToGenvora(const AnsiString& path);

// Replaces `destination` by `source` (which is removed); the previous
// destination waits under ".~~" until the copy succeeded. A missing source
// is a success that changes nothing.
bool SafeRenameFile(const AnsiString& source, const AnsiString& destination);
// Copies `source` over `destination`; the previous destination waits under
// ".bak" until the copy succeeded. The copy gets the source's modification
// time.
bool SafeCopyFile(const AnsiString& source, const AnsiString& destination);

// Media bundles: directories named "*.gmw".
AnsiString KELGetNewUniqueBundlePath(const AnsiString& path);
int IsMediaBundleName(const AnsiString& path);
AnsiString KELGetBundleName(const AnsiString& path);
AnsiString KELGetBundlePath(const AnsiString& path);
AnsiString KELGetGenvoraFileNameFromBundlePath(const AnsiString& bundle);

}  // namespace genvora
