// An entry of the professions dictionary: a profession, its comparison form
// and the profession it is a variant of.
//
// Byte layout (little-endian; text = Windows-1252 bytes and a NUL):
//
//   offset | size | field
//   -------+------+---------------------------------------------
//        0 |    4 | CodeID
//        4 |    4 | DateCreation (days)
//        8 |    4 | DateModification (days)
//       12 |    4 | Rattachement (code of the profession this is a variant of)
//       16 | text | profession
//        . | text | comparison form (ProfessionUCD)
//        . |    1 | Exportable
//        . |    1 | Griot
//
// GetDataSize() = 20 + the lengths of the 2 texts. No later group.
#pragma once

#include "records/TGRoot.h"

namespace genvora {

class TVGProfession : public TGRoot {
 public:
  TVGProfession();
  void EndInit() override;
  void zeroMemory();
  std::uint32_t GetDataSize() const override;

  const AnsiString& GetProfession() const { return f_.profession; }
  void SetProfession(const AnsiString& text) { f_.profession = text; }
  const AnsiString& GetProfessionUCD() const { return f_.professionUCD; }
  void SetProfessionUCD(const AnsiString& text) { f_.professionUCD = text; }
  CodeID GetRattachement() const { return f_.rattachement; }
  void SetRattachement(CodeID code) { f_.rattachement = code; }

  // Case-insensitive comparison of the professions: negative, 0, positive.
  int InternalCompare(const TVGProfession* other) const;
  // The profession with its first letter capitalised.
  AnsiString GetFormatedProfession() const;

  void Fusionne(TGRoot* other, TListeAssociation* codes) override;
  virtual void Fusionne(TVGProfession* other, TListeAssociation* codes);

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
    CodeID rattachement = 0;
    AnsiString profession;
    AnsiString professionUCD;
  };
  Fields f_;
};

}  // namespace genvora
