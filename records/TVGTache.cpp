#include "records/TVGTache.h"

#include "platform/Resources.h"
#include "records/RecordLayout.h"

namespace genvora {

TVGTache::TVGTache() { EndInit(); }
void TVGTache::EndInit() { zeroMemory(); }
void TVGTache::zeroMemory() { f_ = Fields{}; }

template <class W, class F>
void TVGTache::Fields::Layout(W& w, F& f) {
  w.U32(f.root.codeID);
  w.U32(f.root.dateCreation);
  w.U32(f.root.dateModification);
  w.U32(f.dateEcheance);
  w.U32(f.dateAlerte);
  w.Text(f.titre);
  w.Text(f.description);
  w.I32(f.priorite);
  w.Bool(f.realisee);
  w.Bool(f.root.exportable);
  w.Bool(f.root.griot);
}

std::uint32_t TVGTache::GetDataSize() const { return LayoutSize(f_); }
void TVGTache::WriteFields(ByteWriter& w) const { LayoutWrite(w, f_); }

void TVGTache::ReadFields(ByteReader& r) {
  Fields f;
  LayoutRead(r, f);
  if (EndOfRecord(r)) f_ = std::move(f);
}

AnsiString TVGTache::PrioriteTexte() const {
  switch (f_.priorite) {
    case 1: return LoadResString("Locfiches.prioriteFaible");
    case 2: return LoadResString("Locfiches.prioriteMoyenne");
    case 3: return LoadResString("Locfiches.prioriteElevee");
    default: return LoadResString("Locfiches.inconnue");
  }
}

int TVGTache::PrioriteImagesIndex() const { return f_.priorite >= 1 && f_.priorite <= 3 ? f_.priorite - 1 : -1; }

int TVGTache::IsInAlert(const TVGTache* task, std::uint32_t day) {
  if (task == nullptr) return 0;
  if (task->f_.dateEcheance != 0 && task->f_.dateEcheance <= day) return 2;
  if (task->f_.dateAlerte != 0 && task->f_.dateAlerte <= day) return 1;
  return 0;
}

int TVGTache::CompareKey(const TVGTache& other, int column) const {
  switch (column) {
    case kColRealisee: return CompareBooleen(f_.realisee, other.f_.realisee);
    case kColPriorite: return CompareEntier(f_.priorite, other.f_.priorite);
    case kColEcheance: return f_.dateEcheance < other.f_.dateEcheance ? -1 : f_.dateEcheance > other.f_.dateEcheance;
    case kColAlerte: return f_.dateAlerte < other.f_.dateAlerte ? -1 : f_.dateAlerte > other.f_.dateAlerte;
    case kColTitre: {
      const int c = f_.titre.compare(other.f_.titre);
      return c < 0 ? -1 : c > 0;
    }
    default: return 0;
  }
}

int TVGTache::CompareAvecTache(const TVGTache* other, int column, bool descending) const {
  if (other == nullptr) return 1;
  const int first = CompareKey(*other, column);
  if (first != 0) return descending ? -first : first;
  for (int key : {kColEcheance, kColAlerte, kColTitre, kColPriorite, kColRealisee}) {
    if (key == column) continue;
    if (const int c = CompareKey(*other, key); c != 0) return c;
  }
  return 0;
}

void TVGTache::Fusionne(TGRoot* other, TListeAssociation* codes) {
  if (auto* o = dynamic_cast<TVGTache*>(other)) {
    Fusionne(o, codes);
  } else {
    TGRoot::Fusionne(other, codes);
  }
}

void TVGTache::Fusionne(TVGTache* other, TListeAssociation* codes) {
  if (other == nullptr) return;
  TGRoot::Fusionne(other, codes);
  if (f_.dateEcheance == 0) f_.dateEcheance = other->f_.dateEcheance;
  if (f_.dateAlerte == 0) f_.dateAlerte = other->f_.dateAlerte;
  if (f_.titre.empty()) f_.titre = other->f_.titre;
  if (f_.description.empty()) f_.description = other->f_.description;
  if (f_.priorite == 0) f_.priorite = other->f_.priorite;
}

}  // namespace genvora
