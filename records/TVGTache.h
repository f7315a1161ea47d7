// A task of the user's to-do list: a title, a description, a priority, a due
// day, an alert day and whether it is done.
//
// Byte layout (little-endian; text = Windows-1252 bytes and a NUL):
//
//   offset | size | field
//   -------+------+---------------------------------------------
//        0 |    4 | CodeID
//        4 |    4 | DateCreation (days)
//        8 |    4 | DateModification (days)
//       12 |    4 | DateEcheance (due day, 0 = none)
//       16 |    4 | DateAlerte (alert day, 0 = none)
//       20 | text | Titre
//        . | text | Description
//        . |    4 | Priorite (signed: 1 low, 2 medium, 3 high, other unknown)
//        . |    1 | TacheRealisee (done)
//        . |    1 | Exportable
//        . |    1 | Griot
//
// GetDataSize() = 29 + the lengths of the 2 texts. No later group.
#pragma once

#include "records/TGRoot.h"

namespace genvora {

class TVGTache : public TGRoot {
 public:
  // Sort columns of CompareAvecTache.
  enum Column { kColRealisee = 0, kColPriorite = 1, kColEcheance = 2, kColAlerte = 3, kColTitre = 4 };

  TVGTache();
  void EndInit() override;
  void zeroMemory();
  std::uint32_t GetDataSize() const override;

  std::uint32_t GetDateEcheance() const { return f_.dateEcheance; }
  void SetDateEcheance(std::uint32_t day) { f_.dateEcheance = day; }
  std::uint32_t GetDateAlerte() const { return f_.dateAlerte; }
  void SetDateAlerte(std::uint32_t day) { f_.dateAlerte = day; }
  const AnsiString& GetTitre() const { return f_.titre; }
  void SetTitre(const AnsiString& text) { f_.titre = text; }
  const AnsiString& GetDescription() const { return f_.description; }
  void SetDescription(const AnsiString& text) { f_.description = text; }
  std::int32_t GetPriorite() const { return f_.priorite; }
  void SetPriorite(std::int32_t priorite) { f_.priorite = priorite; }
  bool GetTacheRealisee() const { return f_.realisee; }
  void SetTacheRealisee(bool done) { f_.realisee = done; }

  AnsiString PrioriteTexte() const;
  // Image index of the priority: 0 low, 1 medium, 2 high, -1 unknown.
  int PrioriteImagesIndex() const;
  // 2 when the due day is set and not after `day`, else 1 when the alert
  // day is, else 0.
  static int IsInAlert(const TVGTache* task, std::uint32_t day);
  // Orders by `column`, then by due day, alert day, title, priority and done
  // flag; descending order reverses only the first key.
  int CompareAvecTache(const TVGTache* other, int column, bool descending) const;
  static int CompareEntier(int a, int b) { return a < b ? -1 : a > b ? 1 : 0; }
  static int CompareBooleen(bool a, bool b) { return CompareEntier(a ? 1 : 0, b ? 1 : 0); }

  void Fusionne(TGRoot* other, TListeAssociation* codes) override;
  virtual void Fusionne(TVGTache* other, TListeAssociation* codes);

 protected:
  TGRootFields* Root() override { return &f_.root; }
  const TGRootFields* Root() const override { return &f_.root; }
  void WriteFields(ByteWriter& writer) const override;
  void ReadFields(ByteReader& reader) override;

 private:
  int CompareKey(const TVGTache& other, int column) const;

  struct Fields {
    // The byte layout of the table above, stated once for the size, the
    // writer and the reader (records/RecordLayout.h).
    template <class W, class F>
    static void Layout(W& w, F& f);

    TGRootFields root;
    std::uint32_t dateEcheance = 0;
    std::uint32_t dateAlerte = 0;
    AnsiString titre;
    AnsiString description;
    std::int32_t priorite = 0;
    bool realisee = false;
  };
  Fields f_;
};

}  // namespace genvora
