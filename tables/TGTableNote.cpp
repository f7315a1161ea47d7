#include "tables/TGTableNote.h"

#include "records/TVGNote.h"

namespace genvora {

TGTableNote::TGTableNote(const char* className) : LXArray(className, true) {
  // The item size field a store carries once read from a file: a table
  // built in memory then writes the very bytes it reads back.
  itemSize_ = kEntrySize;
}

int TGTableNote::EcritData(TVGNote* note) {
  if (note == nullptr || note->GetCodeID() == 0) return 0;
  return note->EcritDans(note->GetCodeID(), this);
}

bool TGTableNote::FetchData(CodeID code, TVGNote* note) { return note != nullptr && note->LitDans(code, this); }

bool TGTableNote::HasNote(CodeID code) const {
  std::uint32_t pair[2] = {code, 0};
  return code != 0 && GetCodeList()->FetchIndexOf(pair, kPairSize) != 0;
}

AnsiString TGTableNote::GetNote(CodeID code) {
  TVGNote note;
  return note.LitDans(code, this) ? note.GetNoteRTF() : AnsiString();
}

AnsiString TGTableNote::GetNoteText(CodeID code) {
  TVGNote note;
  return note.LitDans(code, this) ? note.GetNoteTxt() : AnsiString();
}

bool TGTableNote::IsNotePrivee(CodeID code) {
  TVGNote note;
  return note.LitDans(code, this) && note.IsPrivee();
}

void TGTableNote::ReplaceNote(CodeID code, const AnsiString& text) { ReplaceNote(code, text, IsNotePrivee(code)); }

void TGTableNote::ReplaceNote(CodeID code, const AnsiString& text, bool prive) {
  if (code == 0) return;
  TVGNote note;
  // The creation day of an existing note survives the new text.
  const bool existed = note.LitDans(code, this);
  const std::uint32_t created = existed ? note.GetDateLT(0) : 0;
  note.zeroMemory();
  note.NewNote(code, text, prive);
  if (created != 0) note.SetDateLT(0, created);
  EcritData(&note);
}

void TGTableNote::DeleteNote(CodeID code) { DeleteData(code); }

bool TGTableNote::GetNote(CodeID owner, AnsiString& text, bool& prive) {
  TVGNote note;
  if (!note.LitDans(owner, this)) return false;
  text = note.GetNoteRTF();
  prive = note.IsPrivee();
  return true;
}

}  // namespace genvora
