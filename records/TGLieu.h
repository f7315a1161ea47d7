// An entry of the places dictionary: town, place code, department, region,
// country, optional coordinates, an ISO country code and the place it is
// attached to.
//
// Byte layout (little-endian; text = Windows-1252 bytes and a NUL):
//
//   offset | size | field
//   -------+------+---------------------------------------------
//        0 |    4 | CodeID
//        4 |    4 | DateCreation (days)
//        8 |    4 | DateModification (days)
//       12 |    4 | Rattachement (0 or own code: not attached)
//       16 | text | Ville (field 1)
//        . | text | CodeLieu (field 0)
//        . | text | Departement (field 2)
//        . | text | Region (field 3)
//        . | text | Pays (field 4)
//        . |    4 | xRef (code of a related place)
//        . |    1 | Griot (also: texts are final, no case conversion)
//        . |    1 | Exportable            <- end of the base fields
//   group 2, older files end before it:
//        . | text | additional text                  (default empty)
//        . |    1 | additional byte                  (default 0)
//   group 3, read only after group 2:
//        . |    8 | Latitude (double)                (default 0.0)
//        . |    8 | Longitude (double)               (default 0.0)
//        . | text | IsoCountry                       (default empty)
//        . |    4 | InternalCodeLieu (signed)        (default 0)
//
// GetDataSize() = 50 + the lengths of the 7 texts.
#pragma once

#include <array>

#include "records/TGRoot.h"

namespace genvora {

class TGLieu : public TGRoot {
 public:
  // Field numbers of SetText and of the case preferences.
  enum Field { kCode = 0, kVille = 1, kDepartement = 2, kRegion = 3, kPays = 4 };
  // Selectors of the coordinate texts.
  enum Coord { kLatitude = 5, kLongitude = 6 };

  TGLieu();

  void EndInit() override;
  std::uint32_t GetDataSize() const override;

  // Displayed fields: the case preference of the field unless Griot is set,
  // then (but for the town) the preferences' text conversion.
  AnsiString GetCodeLieu() const { return GText(kCode); }
  AnsiString GetVille() const { return GText(kVille); }
  AnsiString GetDepartement() const { return GText(kDepartement); }
  AnsiString GetRegion() const { return GText(kRegion); }
  AnsiString GetPays() const { return GText(kPays); }
  // The text as stored, field 0 to 4.
  const AnsiString& GetStored(int field) const;
  // Stores field 0 to 4 trimmed, commas turned into hyphens; an empty town
  // is stored as "?".
  void SetText(int field, const AnsiString& value) override;

  CodeID GetRattachement() const { return f_.rattachement; }
  void SetRattachement(CodeID code) { f_.rattachement = code; }
  CodeID GetXRef() const { return f_.xRef; }
  void SetXRef(CodeID code) { f_.xRef = code; }
  double GetLatitude() const { return f_.latitude; }
  void SetLatitude(double value) { f_.latitude = value; }
  double GetLongitude() const { return f_.longitude; }
  void SetLongitude(double value) { f_.longitude = value; }
  const AnsiString& GetIsoCountry() const { return f_.isoCountry; }
  void SetIsoCountry(const AnsiString& iso) { f_.isoCountry = iso; }
  std::int32_t GetInternalCodeLieu() const { return f_.internalCodeLieu; }
  void SetInternalCodeLieu(std::int32_t value) { f_.internalCodeLieu = value; }
  const AnsiString& GetTexteSupplementaire() const { return f_.extraText; }
  void SetTexteSupplementaire(const AnsiString& text) { f_.extraText = text; }
  std::uint8_t GetOctetSupplementaire() const { return f_.extraByte; }
  void SetOctetSupplementaire(std::uint8_t value) { f_.extraByte = value; }

  // Display options, four bytes, not stored.
  std::uint32_t GetOptions() const { return options_; }
  void SetOptions(std::uint32_t options) { options_ = options; }

  // Case-insensitive comparison of the stored towns, or codes.
  int villeCompare(const TGLieu& other) const;
  int codeCompare(const TGLieu& other) const;
  // True when the two places differ in their displayed fields or Griot.
  bool InternalCompare(const TGLieu* other) const;
  bool GetIsR() const { return f_.rattachement != 0 && f_.rattachement != f_.root.codeID; }

  // The display line built from the options.
  AnsiString GetText() const;
  // The entry line of the preferences' entry style; sets the options from
  // it. Empty without preferences.
  AnsiString GetTextSaisie();
  AnsiString GetTextGedcom() const;
  void SetTextVide(const AnsiString&) {}
  void SetTextGedcom(const AnsiString&) {}

  // which = kLatitude or kLongitude.
  AnsiString GetCoordStr(int which) const;
  // Empty text stores 0.0; a text that is not a number stores nothing.
  void SetCoordStr(int which, const AnsiString& text);

  void zeroMemory();

  void Fusionne(TGRoot* other, TListeAssociation* codes) override;
  virtual void Fusionne(TGLieu* other, TListeAssociation* codes);

 protected:
  TGRootFields* Root() override { return &f_.root; }
  const TGRootFields* Root() const override { return &f_.root; }
  void WriteFields(ByteWriter& writer) const override;
  void ReadFields(ByteReader& reader) override;

 private:
  AnsiString GText(int field) const;

  struct Fields {
    // The byte layout of the table above, stated once for the size, the
    // writer and the reader (records/RecordLayout.h).
    template <class W, class F>
    static void Layout(W& w, F& f);

    TGRootFields root;
    CodeID rattachement = 0;
    std::array<AnsiString, 5> texts;  // by field number
    CodeID xRef = 0;
    // group 2
    AnsiString extraText;
    std::uint8_t extraByte = 0;
    // group 3
    double latitude = 0.0;
    double longitude = 0.0;
    AnsiString isoCountry;
    std::int32_t internalCodeLieu = 0;
  };
  Fields f_;
  std::uint32_t options_ = 0;
};

}  // namespace genvora
