#include "records/TGUnion.h"

#include "platform/Resources.h"
#include "platform/System.h"
#include "records/RecordLayout.h"
#include "utilities/TextUtils.h"

namespace genvora {

namespace {

constexpr int kFirstChampSelector = 10;
constexpr int kLastChampSelector = 19;

// The type words, in the order SetTypeUnionFromTexte tries them.
struct TypeWord {
  const char* key;
  std::uint8_t type;
};
constexpr TypeWord kTypeWordsToTry[] = {
    {"G13str.mariage", ulMARIES},     {"G13str.unionLibre", ulCONCUBINS}, {"G13str.pacs", ulPACS},
    {"G13str.separation", ulSEPARES}, {"G13str.divorce", ulDIVORCES},     {"G13str.fiancailles", ulFIANCES},
};

}  // namespace

TGUnion::TGUnion() { EndInit(); }

void TGUnion::EndInit() { f_ = Fields{}; }

void TGUnion::zeroMemory() { f_ = Fields{}; }

template <class W, class F>
void TGUnion::Fields::Layout(W& w, F& f) {
  w.U32(f.root.codeID);
  w.U32(f.root.dateCreation);
  w.U32(f.root.dateModification);
  w.U32(f.epoux);
  w.U32(f.epouse);
  w.U32(f.adresse);
  w.Text(f.note);
  w.U8(f.rechercheActe);
  w.U32(f.dateUnion);
  w.U8(f.typeUnion);
  w.Bool(f.marque);
  for (auto& champ : f.champs) w.Text(champ);
  w.U16(f.switches);
  w.Bool(f.confidentiel);
  w.Bool(f.root.griot);
  w.Bool(f.root.exportable);
  // Files exist that carry the note flag without the stamps.
  if (!w.Group()) return;  // group 2
  w.Bool(f.noteFlag);
  if (!w.Group()) return;  // group 3
  w.F64(f.stampCreation);
  w.F64(f.stampModification);
}

std::uint32_t TGUnion::GetDataSize() const { return LayoutSize(f_); }
void TGUnion::WriteFields(ByteWriter& w) const { LayoutWrite(w, f_); }

void TGUnion::ReadFields(ByteReader& r) {
  Fields f;
  LayoutRead(r, f);
  if (EndOfRecord(r)) f_ = std::move(f);
}

AnsiString TGUnion::GetChar(int selector) const {
  if (selector < kFirstChampSelector || selector > kLastChampSelector) return {};
  return f_.champs[static_cast<std::size_t>(selector - kFirstChampSelector)];
}

void TGUnion::SetChar(int selector, const AnsiString& value) {
  if (selector < kFirstChampSelector || selector > kLastChampSelector) return;
  f_.champs[static_cast<std::size_t>(selector - kFirstChampSelector)] = AnsiTrim(value);
}

AnsiString TGUnion::GetTypeUnionTexte() const {
  if (f_.root.codeID == 0) return {};
  switch (f_.typeUnion) {
    case ulMARIES: return LoadResString("G13str.mariage");
    case ulCONCUBINS: return LoadResString("G13str.unionLibre");
    case ulSEPARES: return LoadResString("G13str.separation");
    case ulDIVORCES: return LoadResString("G13str.divorce");
    case ulADULTERE: return LoadResString("G13str.unionLibre");
    case ulPACS: return LoadResString("G13str.pacs");
    case ulFIANCES: return LoadResString("G13str.fiancailles");
    default: return LoadResString("G13str.nonConnu");
  }
}

void TGUnion::SetTypeUnionFromTexte(const AnsiString& text) {
  for (const TypeWord& word : kTypeWordsToTry) {
    if (text == LoadResString(word.key)) {
      f_.typeUnion = word.type;
      return;
    }
  }
  f_.typeUnion = ulINCONNU;
}

double TGUnion::GetDateModification() const {
  return f_.stampModification != 0.0 ? f_.stampModification : static_cast<double>(f_.root.dateModification);
}

AnsiString TGUnion::GetDateChaine(int which) const {
  const double stamp = GetPreciseStamp(which == 0 ? 0 : 1);
  if (stamp != 0.0) return FormatSerial(stamp, true);
  return TGRoot::GetDateChaine(which);
}

void TGUnion::SetCreatedNow() {
  f_.stampCreation = NowDateTime();
  SetDateLT(0, TodaySerial());
}

void TGUnion::SetModifyNow() {
  f_.stampModification = NowDateTime();
  SetDateLT(1, TodaySerial());
}

void TGUnion::Fusionne(TGRoot* other, TListeAssociation* codes) {
  if (auto* otherUnion = dynamic_cast<TGUnion*>(other)) {
    Fusionne(otherUnion, codes, nullptr);
  } else {
    TGRoot::Fusionne(other, codes);
  }
}

void TGUnion::Fusionne(TGUnion* other, TListeAssociation* codes, TGTableNote* notes) {
  if (other == nullptr) return;
  TGRoot::Fusionne(other, codes);
  if (f_.adresse == 0) f_.adresse = Translate(codes, other->f_.adresse);
  for (std::size_t i = 0; i < f_.champs.size(); ++i) {
    if (f_.champs[i].empty()) f_.champs[i] = other->f_.champs[i];
  }
  if (f_.root.codeID == 0) f_.root.codeID = Translate(codes, other->f_.root.codeID);
  // A spouse that cannot be translated would leave a union pointing into the
  // other file: code 0 tells the caller not to store it. A spouse the other
  // union does not have either is no reason to drop a one-parent couple.
  if (f_.epoux == 0 && other->f_.epoux != 0) {
    f_.epoux = Translate(codes, other->f_.epoux);
    if (f_.epoux == 0) f_.root.codeID = 0;
  }
  if (f_.epouse == 0 && other->f_.epouse != 0) {
    f_.epouse = Translate(codes, other->f_.epouse);
    if (f_.epouse == 0) f_.root.codeID = 0;
  }
  // Moving the other's note record under this union's code is done by the
  // note table, which the records do not reach yet.
  (void)notes;
}

}  // namespace genvora
