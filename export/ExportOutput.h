// Where an exporter writes its output.
#pragma once

#include <string>

namespace genvora {

// An output is refused when it exists and may not be replaced, or when it
// is a folder: false with the reason in `error`.
bool CheckExportOutput(const std::string& outPath, bool replace, std::string& error);

// The name the export is written under until it is complete: beside the
// output, so that the final rename stays within one file system, and named
// after the process, so that no file of the user's is taken for it.
std::string TemporaryBeside(const std::string& outPath);

// Gives the complete temporary file the output's name. Without `replace`
// an output that appeared meanwhile is left alone (a hard link never
// replaces; a file system without them gets the rename after a last look).
// Afterwards the temporary name is gone, whether it succeeded or not.
bool PublishExport(const std::string& temporary, const std::string& outPath, bool replace, std::string& error);

}  // namespace genvora
