// The event record: one dated fact of a person's or a couple's life, owned by
// one individual or union, with its type, place, date, certainty, texts and
// flags.
//
// Byte layout (little-endian; text = Windows-1252 bytes and a NUL):
//
//   offset | size | field
//   -------+------+---------------------------------------------
//        0 |    4 | CodeID
//        4 |    4 | DateCreation (legacy day)
//        8 |    4 | DateModification (legacy day)
//       12 |    4 | Proprietaire (code of the individual or union)
//       16 |    1 | Type (TV5EventList)
//       17 |    4 | DicoLieu (code of the place, 0 = none)
//       21 |   32 | date block (TGDate::dateT)
//       53 | text | slot 0 (free text)
//        . | text | slot 1 (Subdivision)
//        . | text | slot 2 (Titre)
//        . | text | Certitude (at most one character)
//        . | text | slot 3 (AgeSurActe)
//        . | text | slot 4 (Cause)
//        . |    1 | RechercheActe
//        . |    1 | Griot
//        . |    1 | Exportable            <- end of the base fields
//   each later group is read only while bytes remain:
//   group 2  . |  1 | Confidentiel                        (default 0)
//   group 3  . |text| slot 5 (AgeSurActe2)                (default empty)
//   group 4  . |  8 | created time stamp (double)         (default 0.0)
//            . |  8 | modified time stamp (double)        (default 0.0)
//   group 5  . |  1 | Partage                             (default 0)
//
// GetDataSize() = 82 + the lengths of the six text slots. It counts the
// certitude as one character, so it is an upper bound: an event without
// certitude encodes to one byte less, and is stored with exactly the bytes
// Encode wrote.
//
// Invariants:
//  1. The date object always wraps this record's own date block.
//  2. A certitude holds at most one character, whether set or read.
//  3. The two time stamps form one group: a record that ends between them
//     is damaged, not short.
#pragma once

#include <array>
#include <memory>

#include "dates/TGDate.h"
#include "records/TGRoot.h"
#include "records/TV5EventList.h"

namespace genvora {

// What an event merge needs of the notes table: the note of a record by
// the record's code. The notes table implements it.
class IEventNoteTable {
 public:
  virtual ~IEventNoteTable() = default;
  // The note of `owner`; false when it has none.
  virtual bool GetNote(CodeID owner, AnsiString& text, bool& prive) = 0;
  virtual void SetNote(CodeID owner, const AnsiString& text, bool prive) = 0;
  virtual void DeleteNote(CodeID owner) = 0;
};

class TGEvenement : public TGRoot {
 public:
  // Text slots of SetText.
  enum Slot { kTexte = 0, kSubdivision = 1, kTitre = 2, kAgeSurActe = 3, kCause = 4, kAgeSurActe2 = 5 };

  TGEvenement();
  TGEvenement(const TGEvenement& other);
  TGEvenement& operator=(const TGEvenement& other);
  ~TGEvenement() override;

  void EndInit() override;
  void zeroMemory();
  std::uint32_t GetDataSize() const override;
  // GetDataSize() counts the certitude's character even when there is none,
  // so the encoded bytes are one shorter without certitude.
  std::uint32_t EncodedSize() const override;

  CodeID GetProprietaire() const { return f_.proprietaire; }
  void SetProprietaire(CodeID code) { f_.proprietaire = code; }
  TV5EventList GetType() const { return static_cast<TV5EventList>(f_.type); }
  void SetType(TV5EventList type) { f_.type = type; }
  CodeID GetDicoLieu() const { return f_.dicoLieu; }
  void SetDicoLieu(CodeID code) { f_.dicoLieu = code; }

  // Slots 0 to 5, trimmed; other indexes are ignored.
  void SetText(int index, const AnsiString& text) override;
  const AnsiString& GetText(int index) const;
  const AnsiString& GetSubdivision() const { return f_.texts[kSubdivision]; }
  const AnsiString& GetCause() const { return f_.texts[kCause]; }
  const AnsiString& GetAgeSurActe() const { return f_.texts[kAgeSurActe]; }
  const AnsiString& GetAgeSurActe2() const { return f_.texts[kAgeSurActe2]; }

  const AnsiString& GetCertitude() const { return f_.certitude; }
  // Keeps the first character only.
  void SetCertitude(const AnsiString& text);
  std::uint8_t GetRechercheActe() const { return f_.rechercheActe; }
  void SetRechercheActe(std::uint8_t status) { f_.rechercheActe = status; }
  // 0 -> 89, 1 -> 28, 2 -> 90, other -> -1.
  int GetRechercheActeIconIndex() const;
  bool GetConfidentiel() const { return f_.confidentiel; }
  void SetConfidentiel(bool on) { f_.confidentiel = on; }
  bool GetPartage() const { return f_.partage; }
  void SetPartage(bool on) { f_.partage = on; }

  // Precise time stamps, which = 0 created, 1 modified; 0.0 = unknown.
  double GetPreciseStamp(int which) const { return which == 0 ? f_.created : f_.modified; }
  void SetPreciseStamp(int which, double stamp) { (which == 0 ? f_.created : f_.modified) = stamp; }
  // The modified stamp, or the legacy modification day when it is unknown.
  double GetDateModification() const;
  AnsiString GetDateChaine(int which) const override;
  // Stamp the precise time and keep the legacy day in step, so that a
  // written event is never stamped as created again.
  void SetModifyNow() override;
  void SetCreatedNow() override;

  TGDate* GetDate() { return date_.get(); }
  const TGDate* GetDate() const { return date_.get(); }
  const TGDate::dateT& GetDateBlock() const { return f_.date; }
  void SetDateBlock(const TGDate::dateT& block) { f_.date = block; }
  // The minute key of the first date.
  std::uint32_t GetDateTriApp();

  // Types.
  AnsiString GetTypeStr() const;
  AnsiString GetSymbole() const;
  // Slot 2 when it holds a text of its own, else the long name of the type.
  AnsiString GetTitre(bool flag = false) const;
  // Sets the type from a shorthand or a long name; unknown texts change
  // nothing. Answers whether the type was set.
  bool SetTypeFromString(const AnsiString& text);
  bool IsEventInternationnalStr(const AnsiString& text) const;
  bool EstMajeur() const { return EstEvenementMajeur(GetType()); }
  bool EstMineur() const { return !EstMajeur(); }
  // Unlike IsUnionEvent, code 84 is not a union event here.
  bool EstEvenementUnion() const { return f_.type >= 54 && f_.type < 84; }
  int GetIconIndex() const { return genvora::GetIconIndex(GetType()); }

  void Fusionne(TGRoot* other, TListeAssociation* codes) override;
  virtual void Fusionne(TGEvenement* other, TListeAssociation* codes, IEventNoteTable* notes);

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
    CodeID proprietaire = 0;
    std::uint8_t type = evAucun;
    CodeID dicoLieu = 0;
    TGDate::dateT date{};
    std::array<AnsiString, 6> texts;
    AnsiString certitude;
    std::uint8_t rechercheActe = 0;
    // later groups
    bool confidentiel = false;
    double created = 0.0;
    double modified = 0.0;
    bool partage = false;
  };
  Fields f_;
  std::unique_ptr<TGDate> date_;  // over f_.date
};

}  // namespace genvora
