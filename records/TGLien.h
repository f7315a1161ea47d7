// The record of a link from a person to another person (godfather, friend,
// twin, duplicate...) or to an event (witness, declarant, officiant...).
//
// Byte layout (little-endian; text = Windows-1252 bytes and a NUL):
//
//   offset | size | field
//   -------+------+---------------------------------------------
//        0 |    4 | CodeID
//        4 |    4 | DateCreation (days)
//        8 |    4 | DateModification (days)
//       12 |    4 | LienDe (code of the origin, an individual)
//       16 |    4 | LienVers (code of an individual or an event)
//       20 | text | Note
//        . |    1 | reserved (stored and copied, 0 in new links)
//        . | text | Titre (empty: the title comes from the type)
//        . |    1 | Type (liensListT)
//        . |    1 | Griot
//        . |    1 | Exportable            <- end of the base fields
//   group 2, older files end before it:
//        . | text | additional text                  (default empty)
//
// GetDataSize() = 27 + the lengths of the 3 texts.
//
// Type codes are on-disk values: 1 to 17 link two persons, 101 to 119 give a
// person a role in an event; 0, 18 to 100, 120 and 121 have no wording.
#pragma once

#include "records/TGRoot.h"

namespace genvora {

using liensListT = std::uint8_t;

// Seen from the origin (active) or from the target (passive); not stored.
enum formeLienT : std::uint8_t { formeActive = 0, formePassive = 1 };
enum genreLienT : std::uint8_t { genreMasculin = 0, genreFeminin = 1 };

class TGLien : public TGRoot {
 public:
  TGLien();

  void EndInit() override;
  std::uint32_t GetDataSize() const override;

  CodeID GetLienDe() const { return f_.lienDe; }
  void SetLienDe(CodeID code) { f_.lienDe = code; }
  CodeID GetLienVers() const { return f_.lienVers; }
  void SetLienVers(CodeID code) { f_.lienVers = code; }
  const AnsiString& GetNote() const { return f_.note; }
  // Stores the note without leading and trailing blanks.
  virtual void SetNote(const AnsiString& note);
  std::uint8_t GetReserve() const { return f_.reserve; }
  void SetReserve(std::uint8_t value) { f_.reserve = value; }
  // The stored title when set, else the wording of the type for the current
  // form and gender.
  AnsiString GetTitre() const;
  void SetTitre(const AnsiString& title) { f_.titre = title; }
  const AnsiString& GetStoredTitre() const { return f_.titre; }
  liensListT GetType() const { return f_.type; }
  void SetType(liensListT type) { f_.type = type; }
  const AnsiString& GetTexteSupplementaire() const { return f_.extra; }
  void SetTexteSupplementaire(const AnsiString& text) { f_.extra = text; }

  formeLienT GetFormeLien() const { return forme_; }
  void SetFormeLien(formeLienT forme) { forme_ = forme; }
  genreLienT GetGenreLien() const { return genre_; }
  void SetGenreLien(genreLienT genre) { genre_ = genre; }

  // Words before and after the other party's name in sentences.
  AnsiString GetPrefixe() const;
  AnsiString GetSuffixe() const;
  void SetVoid(const AnsiString&) {}
  // The whole sentence form of the link ("est ami de").
  AnsiString GetTexteEtenduV12() const;
  // The list label of this link's type, or of `type`.
  AnsiString GetItem() const { return GetItemFor(f_.type); }
  static AnsiString GetItemFor(liensListT type);
  // Sets the type whose passive title (either gender) equals `text`; the
  // type is kept when none does.
  void SetTypeString(const AnsiString& text);

  // Renumbers the type codes of links written by older versions.
  void ConvertOldTypeLiens();
  static liensListT ConvertOldType(liensListT type);
  // The byte is compared as signed, as the stored files expect.
  bool IsLienIndiIndi() const { return static_cast<std::int8_t>(f_.type) < 100; }
  bool IsLienIndiEvenement() const { return static_cast<std::int8_t>(f_.type) > 100; }

  void zeroMemory();

  void Fusionne(TGRoot* other, TListeAssociation* codes) override;
  virtual void Fusionne(TGLien* other, TListeAssociation* codes);

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
    CodeID lienDe = 0;
    CodeID lienVers = 0;
    AnsiString note;
    std::uint8_t reserve = 0;
    AnsiString titre;
    liensListT type = 0;
    // group 2
    AnsiString extra;
  };
  Fields f_;
  formeLienT forme_ = formeActive;
  genreLienT genre_ = genreMasculin;
};

}  // namespace genvora
