// A document (a source): a certificate, letter, census list, web page...
// with its archive, call number, nature, certainty, author and date.
//
// Byte layout (little-endian; text = Windows-1252 bytes and a NUL):
//
//   offset | size | field
//   -------+------+---------------------------------------------
//        0 |    4 | CodeID
//        4 |    4 | DateCreation (days)
//        8 |    4 | DateModification (days)
//       12 |    1 | TypeSource (typeSourceT)
//       13 | text | Source (field 0)
//        . | text | Document (field 1)
//        . | text | Cote (field 2, call number)
//        . | text | Archive (field 3)
//        . |    4 | NatureActe (0 digital, 1 internet, 2 microfilm,
//          |      |             3 original, 4 copy, other = other)
//        . | text | field 4
//        . | text | Numero (field 5)
//        . |    1 | privacy, 1 = private (also answers Griot)
//        . |    1 | Exportable            <- end of the base fields
//   each later group is read only while bytes remain:
//   group 2  . |  4 | Certitude (signed, 0 to 3)          (default 0)
//   group 3  . |text| URL                                  (default empty)
//   group 4  . |text| EMail                                (default empty)
//            . |text| Auteur                               (default empty)
//            . | 32 | date block (TGDate::dateT)           (default zeroed)
//
// GetDataSize() = 64 + the lengths of the 9 texts.
#pragma once

#include <array>
#include <memory>

#include "dates/TGDate.h"
#include "records/TGRoot.h"

namespace genvora {

// On-disk values.
enum typeSourceT : std::uint8_t {
  tsActe = 0, tsDocumentFamilial = 1, tsCD = 2, tsCorrespondance = 3, tsDocumentAdministratif = 4,
  tsDocumentInternet = 5, tsGedcom = 6, tsInscription = 7, tsListeNominative = 8, tsMedia = 9,
  tsParution = 10, tsAutre = 11,
};

class TGDocument : public TGRoot {
 public:
  enum Field { kSource = 0, kDocument = 1, kCote = 2, kArchive = 3, kTexte4 = 4, kNumero = 5 };

  TGDocument();
  TGDocument(const TGDocument& other);
  TGDocument& operator=(const TGDocument& other);
  ~TGDocument() override;

  void EndInit() override;
  void zeroMemory();
  std::uint32_t GetDataSize() const override;

  // Fields 0 to 5, trimmed; other fields are ignored.
  void SetText(int field, const AnsiString& value) override;
  const AnsiString& GetText(int field) const;

  typeSourceT GetTypeSource() const { return static_cast<typeSourceT>(f_.typeSource); }
  void SetTypeSource(typeSourceT type) { f_.typeSource = type; }
  std::uint32_t GetNatureActe() const { return f_.natureActe; }
  void SetNatureActe(std::uint32_t nature) { f_.natureActe = nature; }
  std::int32_t GetCertitude() const { return f_.certitude; }
  void SetCertitude(std::int32_t certitude) { f_.certitude = certitude; }
  const AnsiString& GetURL() const { return f_.url; }
  void SetURL(const AnsiString& text) { f_.url = text; }
  const AnsiString& GetEMail() const { return f_.email; }
  void SetEMail(const AnsiString& text) { f_.email = text; }
  const AnsiString& GetAuteur() const { return f_.auteur; }
  void SetAuteur(const AnsiString& text) { f_.auteur = text; }

  bool Prive() const { return f_.root.griot; }
  void SetPrive(bool on) { f_.root.griot = on; }
  bool Publiable() const { return !Prive(); }
  bool Exportable() const { return !Prive(); }

  TGDate* GetDate() { return date_.get(); }
  const TGDate::dateT& GetDateBlock() const { return f_.date; }
  void SetDateBlock(const TGDate::dateT& block) { f_.date = block; }

  AnsiString GetNatureActeText() const;
  AnsiString TypeActeText() const;
  // Sets the type whose text is `text`; an unknown text changes nothing.
  void SetTypeActeText(const AnsiString& text);
  // The type's text in exchange files: the English word, whatever the
  // language in force.
  AnsiString TypeActeTextGedcom() const;
  void SetTypeActeTextGedcom(const AnsiString& text);
  AnsiString CertitudeText() const;
  // Rewrites the nature (and type) of files of older versions, whose
  // natures were one list of 21 values.
  void ConvertOldNatureEnumValue();

  void Fusionne(TGRoot* other, TListeAssociation* codes) override;
  virtual void Fusionne(TGDocument* other, TListeAssociation* codes);

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

    TGRootFields root;  // griot is the privacy byte
    std::uint8_t typeSource = tsActe;
    std::array<AnsiString, 6> texts;
    std::uint32_t natureActe = 0;
    // later groups
    std::int32_t certitude = 0;
    AnsiString url;
    AnsiString email;
    AnsiString auteur;
    TGDate::dateT date{};
  };
  Fields f_;
  std::unique_ptr<TGDate> date_;  // over f_.date
};

}  // namespace genvora
