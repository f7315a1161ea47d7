// A research log entry: what was searched about a record, and when.
//
// Byte layout (little-endian; text = Windows-1252 bytes and a NUL):
//
//   offset | size | field
//   -------+------+---------------------------------------------
//        0 |    4 | CodeID
//        4 |    4 | DateCreation (days)
//        8 |    4 | DateModification (days)
//       12 |    1 | kind byte (stored and copied)
//       13 |    1 | Exportable
//       14 |    1 | Griot
//       15 |    4 | owner code (the record the research is about)
//       19 |    8 | date-time (double, date-time serial)
//       27 | text | first text
//        . | text | second text
//
// GetDataSize() = 29 + the lengths of the 2 texts. No later group.
#pragma once

#include "records/TGRoot.h"

namespace genvora {

class TVGRechercheLog : public TGRoot {
 public:
  TVGRechercheLog();
  void EndInit() override;
  void zeroMemory();
  std::uint32_t GetDataSize() const override;

  std::uint8_t GetKind() const { return f_.kind; }
  void SetKind(std::uint8_t kind) { f_.kind = kind; }
  CodeID GetOwner() const { return f_.owner; }
  void SetOwner(CodeID code) { f_.owner = code; }
  double GetDateTime() const { return f_.dateTime; }
  void SetDateTime(double serial) { f_.dateTime = serial; }
  const AnsiString& GetText1() const { return f_.text1; }
  void SetText1(const AnsiString& text) { f_.text1 = text; }
  const AnsiString& GetText2() const { return f_.text2; }
  void SetText2(const AnsiString& text) { f_.text2 = text; }

  // The record's fields as one block, as stored.
  std::string GetData() const { return EncodeToString(); }

  void Fusionne(TGRoot* other, TListeAssociation* codes) override;
  virtual void Fusionne(TVGRechercheLog* other, TListeAssociation* codes);

 protected:
  TGRootFields* Root() override { return &f_.root; }
  const TGRootFields* Root() const override { return &f_.root; }
  void WriteFields(ByteWriter& writer) const override;
  void ReadFields(ByteReader& reader) override;

 private:
  struct Fields {
    // The byte layout of the table above, stated once for the size, the
    // writer and the reader (records/RecordLayout.h).
    template <class W, class F>
    static void Layout(W& w, F& f);

    TGRootFields root;
    std::uint8_t kind = 0;
    CodeID owner = 0;
    double dateTime = 0.0;
    AnsiString text1;
    AnsiString text2;
  };
  Fields f_;
};

}  // namespace genvora
