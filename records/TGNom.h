// An entry of the surnames dictionary: the surname as typed (particle
// included) and the surname it is a variant of.
//
// Byte layout (little-endian; text = Windows-1252 bytes and a NUL):
//
//   offset | size | field
//   -------+------+---------------------------------------------
//        0 |    4 | CodeID
//        4 |    4 | DateCreation (days)
//        8 |    4 | DateModification (days)
//       12 |    4 | Rattachement (0 or own code: not attached)
//       16 | text | Nom (as typed, particle included, trimmed)
//        . |    1 | Griot (also: no case conversion)
//        . |    1 | Exportable            <- end of the base fields
//   group 2, older files end before it:
//        . | text | additional text                  (default empty)
//        . |    1 | additional byte                  (default 0)
//
// GetDataSize() = 21 + the lengths of the 2 texts.
//
// The particle splitter is not owned unless the record made its own (owner
// classes that work outside a database, and after a merge).
#pragma once

#include <memory>
#include <string_view>

#include "platform/TV5SplitterParticule.h"
#include "records/TGRoot.h"

namespace genvora {

class TGNom : public TGRoot {
 public:
  // No splitter: the surname shows as stored, with no particle.
  TGNom();
  // Uses the database's splitter (not owned).
  explicit TGNom(TV5SplitterParticule* databaseSplitter);
  // Chooses the splitter from the owner's class: "TGDatabase" uses
  // `databaseSplitter`; the quick-pick, selection, conversion and GEDCOM
  // classes get one of their own; an empty class name none; any other class
  // is reported to the user and gets none.
  TGNom(std::string_view ownerClassName, TV5SplitterParticule* databaseSplitter);

  void EndInit() override;
  std::uint32_t GetDataSize() const override;

  // The surname without particle, in the preferences' case unless Griot.
  AnsiString GetNom() const;
  void SetNom(const AnsiString& nom);
  const AnsiString& GetStoredNom() const { return f_.nom; }
  AnsiString GetParticule() const;
  void SetParticule(const AnsiString&) {}
  // The display line built from the options.
  AnsiString GetText() const;
  void SetText(const AnsiString& nom) { SetNom(nom); }
  void SetText(int, const AnsiString& nom) override { SetNom(nom); }
  AnsiString AnsiGetChaine(int) const { return GetNom(); }

  TV5SplitterParticule* GetInterprete() const { return splitter_; }
  void SetInterprete(TV5SplitterParticule* splitter);

  std::uint16_t GetOptions() const { return options_; }
  void SetTextOptions(std::uint16_t options) { options_ = options; }

  CodeID GetRattachement() const { return f_.rattachement; }
  void SetRattachement(CodeID code) { f_.rattachement = code; }
  const AnsiString& GetTexteSupplementaire() const { return f_.extraText; }
  void SetTexteSupplementaire(const AnsiString& text) { f_.extraText = text; }
  std::uint8_t GetOctetSupplementaire() const { return f_.extraByte; }
  void SetOctetSupplementaire(std::uint8_t value) { f_.extraByte = value; }
  bool GetIsR() const { return f_.rattachement != 0 && f_.rattachement != f_.root.codeID; }

  // Case-insensitive order of the displayed surnames; ties broken by the
  // particles (InternalCompare) or by the codes (Compare).
  int InternalCompare(const TGNom* other) const;
  int Compare(const TGNom* other) const;

  void zeroMemory();

  void Fusionne(TGRoot* other, TListeAssociation* codes) override;
  virtual void Fusionne(TGNom* other, TListeAssociation* codes);

 protected:
  TGRootFields* Root() override { return &f_.root; }
  const TGRootFields* Root() const override { return &f_.root; }
  void WriteFields(ByteWriter& writer) const override;
  void ReadFields(ByteReader& reader) override;

 private:
  void UseOwnSplitter();

  struct Fields {
    // The byte layout of the table above, stated once for the size, the
    // writer and the reader (records/RecordLayout.h).
    template <class W, class F>
    static void Layout(W& w, F& f);

    TGRootFields root;
    CodeID rattachement = 0;
    AnsiString nom;
    // group 2
    AnsiString extraText;
    std::uint8_t extraByte = 0;
  };
  Fields f_;
  std::uint16_t options_ = 0;
  TV5SplitterParticule* splitter_ = nullptr;
  std::shared_ptr<TV5SplitterParticule> ownSplitter_;
};

}  // namespace genvora
