// An address record: the postal address, phones, e-mails and web page of a
// person or couple, with an optional second address.
//
// Byte layout (little-endian; text = Windows-1252 bytes and a NUL):
//
//   offset | size | field
//   -------+------+---------------------------------------------
//        0 |    4 | CodeID
//        4 |    4 | DateCreation (days)
//        8 |    4 | DateModification (days)
//       12 |    4 | oldXREFUnion (the union of older versions)
//       16 |    4 | oldXREFHomme
//       20 |    4 | oldXREFFemme
//       24 |    1 | Private
//       25 |    1 | Griot
//       26 |    1 | Exportable
//       27 | text | NomsIndividus, Adresse1, Adresse2, CodePostal, Ville,
//          |      | Pays, Tel, Fax, EMail, PageWeb, Departement (11 texts)
//        . |    4 | Adresse2Activee (signed)
//        . |    4 | a further value (stored and copied)
//        . | text | EMail2, TelPro           <- end of the base fields
//   group 2, older files end before it:
//        . | text | TelPortable, Adresse1bis, Adresse2bis, Departementbis,
//          |      | CodePostalbis, Villebis, Paysbis, Note (default empty)
//
// GetDataSize() = 56 + the lengths of the 21 texts.
#pragma once

#include <array>

#include "records/TGRoot.h"

namespace genvora {

class TGAdresse : public TGRoot {
 public:
  // Text indexes, in stored order.
  enum Texte {
    kNomsIndividus, kAdresse1, kAdresse2, kCodePostal, kVille, kPays, kTel, kFax, kEMail, kPageWeb,
    kDepartement, kEMail2, kTelPro,
    kTelPortable, kAdresse1bis, kAdresse2bis, kDepartementbis, kCodePostalbis, kVillebis, kPaysbis, kNote,
    kNbTextes
  };
  static constexpr int kFirstGroup2Text = kTelPortable;
  static constexpr int kNbTextOptions = 7;

  TGAdresse();
  void EndInit() override;
  void zeroMemory();
  std::uint32_t GetDataSize() const override;

  const AnsiString& GetTexte(int index) const;
  void SetTexte(int index, const AnsiString& text);
  void SetEMail(const AnsiString& text) { SetTexte(kEMail, text); }

  CodeID GetOldXREFUnion() const { return f_.oldXREFUnion; }
  void SetOldXREFUnion(CodeID code) { f_.oldXREFUnion = code; }
  CodeID GetOldXREFHomme() const { return f_.oldXREFHomme; }
  void SetOldXREFHomme(CodeID code) { f_.oldXREFHomme = code; }
  CodeID GetOldXREFFemme() const { return f_.oldXREFFemme; }
  void SetOldXREFFemme(CodeID code) { f_.oldXREFFemme = code; }
  bool GetPrivate() const { return f_.prive; }
  void SetPrivate(bool on) { f_.prive = on; }
  std::int32_t GetAdresse2Activee() const { return f_.adresse2Activee; }
  void SetAdresse2Activee(std::int32_t value) { f_.adresse2Activee = value; }
  std::uint32_t GetValeurSupplementaire() const { return f_.extraValue; }
  void SetValeurSupplementaire(std::uint32_t value) { f_.extraValue = value; }

  // Text options (not stored): all on at construction.
  void ClearTextOption() { textOptions_ = 0; }
  void SetTextOption(int i);
  bool GetTextOption(int i) const;
  bool ShowPrivate = false;
  bool ShowDescendance = false;
  bool ShowMarkedOnly = false;

  // Copies every field, stored or not.
  void Copy(const TGAdresse* other);

  void Fusionne(TGRoot* other, TListeAssociation* codes) override;
  virtual void Fusionne(TGAdresse* other, TListeAssociation* codes);

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
    CodeID oldXREFUnion = 0;
    CodeID oldXREFHomme = 0;
    CodeID oldXREFFemme = 0;
    bool prive = false;
    std::array<AnsiString, kNbTextes> texts;
    std::int32_t adresse2Activee = 0;
    std::uint32_t extraValue = 0;
  };
  Fields f_;
  std::uint8_t textOptions_ = 0x7F;
};

}  // namespace genvora
