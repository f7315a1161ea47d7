// TGTableNote: a notes table, an indexed store of TVGNote records each kept
// under the code of the record it annotates (an individual, union, event,
// source...), so the note of a record is found by that record's code. The
// database has two: "TableNote" and "TableNoteAideRecherche" (research-help
// notes). The note-to-record pairs of "TableNote-Liens" are a separate
// generic pair table.
//
// Invariants:
//  1. At most one note per annotated record: its code is the store key.
//  2. Replacing the text of a note keeps its private flag unless a flag is
//     given.
#pragma once

#include "containers/LXArray.h"
#include "records/TGEvenement.h"

namespace genvora {

class TVGNote;

class TGTableNote : public LXArray, public IEventNoteTable {
 public:
  explicit TGTableNote(const char* className);

  int EcritData(TVGNote* note);
  bool FetchData(CodeID code, TVGNote* note);
  using LXArray::EcritData;
  using LXArray::FetchData;

  bool HasNote(CodeID code) const;
  // The note's rich text (its plain text when it has none); "" when the
  // record has no note.
  AnsiString GetNote(CodeID code);
  AnsiString GetNoteText(CodeID code);
  bool IsNotePrivee(CodeID code);
  // Stores `text` as the note of `code`, keeping its private flag.
  void ReplaceNote(CodeID code, const AnsiString& text);
  void ReplaceNote(CodeID code, const AnsiString& text, bool prive);
  void DeleteNote(CodeID code) override;

  // What a merge of events asks of the notes.
  bool GetNote(CodeID owner, AnsiString& text, bool& prive) override;
  void SetNote(CodeID owner, const AnsiString& text, bool prive) override { ReplaceNote(owner, text, prive); }
};

}  // namespace genvora
