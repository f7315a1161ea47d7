#include "tables/TGTableRechercheLog.h"
#include "tables/RecordPeek.h"

namespace genvora {

TGTableRechercheLog::TGTableRechercheLog() : LXArray("TableRechercheLog", true) {
  // The item size field a store carries once read from a file: a table
  // built in memory then writes the very bytes it reads back.
  itemSize_ = kEntrySize;
  liens_ = new TGTableLiensGenerique("TableRechercheLog-Liens");
  AttachArray(kLiensSlot, liens_);
}

int TGTableRechercheLog::EcritData(TVGRechercheLog* log) {
  if (log == nullptr || log->GetCodeID() == 0) return 0;
  return log->EcritDans(log->GetCodeID(), this);
}

int TGTableRechercheLog::DeleteData(std::uint32_t code) {
  TVGRechercheLog log;
  if (LitSansEffacer(log, code, *this)) liens_->SupprimeLien(log.GetOwner(), code);
  return LXArray::DeleteData(code);
}

CodeID TGTableRechercheLog::NewLog(CodeID owner, const AnsiString& text1, const AnsiString& text2, std::uint8_t kind,
                                   double dateTime, ICodeAllocator* codes) {
  if (codes == nullptr || owner == 0) return 0;
  const CodeID code = codes->GetNextID();
  if (code == 0) return 0;
  TVGRechercheLog log;
  log.SetCodeID(code);
  log.SetOwner(owner);
  log.SetText1(text1);
  log.SetText2(text2);
  log.SetKind(kind);
  log.SetDateTime(dateTime);
  if (EcritData(&log) == 0) return 0;
  liens_->AjouteLien(owner, code);
  return code;
}

void TGTableRechercheLog::GetLogList(CodeID owner, LArray* out) const {
  if (out == nullptr) return;
  out->Flush();
  const int count = static_cast<int>(liens_->GetCount());
  for (int i = LowerBoundFirstWord(*liens_, owner); i <= count; ++i) {
    const void* pair = liens_->GetItemPtr(i);
    if (ItemWord(pair, 0) != owner) break;
    const CodeID log = ItemWord(pair, 1);
    out->AddItem(&log, 4);
  }
}

bool TGTableRechercheLog::HaveALog(CodeID owner) const {
  const int at = LowerBoundFirstWord(*liens_, owner);
  return at <= static_cast<int>(liens_->GetCount()) && ItemWord(liens_->GetItemPtr(at), 0) == owner;
}

}  // namespace genvora
