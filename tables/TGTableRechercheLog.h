// TGTableRechercheLog: the research logs "TableRechercheLog", an indexed
// store of TVGRechercheLog records, with in its slot 1 the generic pair table
// "TableRechercheLog-Liens" of {owner code, log code}: the logs of a record
// are a run of that table.
#pragma once

#include "containers/LXArray.h"
#include "records/TVGRechercheLog.h"
#include "tables/IndexSupport.h"
#include "tables/TGTableLiensGenerique.h"

namespace genvora {

class TGTableRechercheLog : public LXArray {
 public:
  static constexpr int kLiensSlot = 1;

  TGTableRechercheLog();

  int EcritData(TVGRechercheLog* log);
  bool FetchData(CodeID code, TVGRechercheLog* log) { return log != nullptr && log->LitDans(code, this); }
  // Removes the log and its pair.
  int DeleteData(std::uint32_t code) override;
  using LXArray::EcritData;
  using LXArray::FetchData;

  // Stores a new log of `owner` under a new code and pairs it with the
  // owner; answers its code, 0 when nothing was written.
  CodeID NewLog(CodeID owner, const AnsiString& text1, const AnsiString& text2, std::uint8_t kind, double dateTime,
                ICodeAllocator* codes);
  bool GetLog(CodeID code, TVGRechercheLog* log) { return FetchData(code, log); }
  // Empties `out` and appends the codes of the owner's logs, in pair order.
  void GetLogList(CodeID owner, LArray* out) const;
  bool HaveALog(CodeID owner) const;

  TGTableLiensGenerique* GetLiens() const { return liens_; }

 private:
  TGTableLiensGenerique* liens_;  // owned through slot 1
};

}  // namespace genvora
