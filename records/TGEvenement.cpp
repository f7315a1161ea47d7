#include "records/TGEvenement.h"

#include <cstring>

#include "containers/LXArray.h"
#include "platform/Exception.h"
#include "platform/Resources.h"
#include "platform/System.h"
#include "records/RecordLayout.h"
#include "utilities/TextUtils.h"

namespace genvora {

TGEvenement::TGEvenement() : date_(std::make_unique<TGDate>(&f_.date)) { EndInit(); }

TGEvenement::TGEvenement(const TGEvenement& other)
    : TGRoot(other), f_(other.f_), date_(std::make_unique<TGDate>(&f_.date)) {}

TGEvenement& TGEvenement::operator=(const TGEvenement& other) {
  if (this != &other) {
    TGRoot::operator=(other);
    f_ = other.f_;  // the date object keeps wrapping f_.date
  }
  return *this;
}

TGEvenement::~TGEvenement() = default;

void TGEvenement::EndInit() { zeroMemory(); }

void TGEvenement::zeroMemory() { f_ = Fields{}; }

template <class W, class F>
void TGEvenement::Fields::Layout(W& w, F& f) {
  w.U32(f.root.codeID);
  w.U32(f.root.dateCreation);
  w.U32(f.root.dateModification);
  w.U32(f.proprietaire);
  w.U8(f.type);
  w.U32(f.dicoLieu);
  w.Date(f.date);
  w.Text(f.texts[kTexte]);
  w.Text(f.texts[kSubdivision]);
  w.Text(f.texts[kTitre]);
  // The certitude is one character at most: a longer stored text keeps its
  // first character.
  w.Text(f.certitude, 1);
  w.Text(f.texts[kAgeSurActe]);
  w.Text(f.texts[kCause]);
  w.U8(f.rechercheActe);
  w.Bool(f.root.griot);
  w.Bool(f.root.exportable);
  if (!w.Group()) return;  // group 2
  w.Bool(f.confidentiel);
  if (!w.Group()) return;  // group 3
  w.Text(f.texts[kAgeSurActe2]);
  if (!w.Group()) return;  // group 4
  w.F64(f.created);
  w.F64(f.modified);
  if (!w.Group()) return;  // group 5
  w.Bool(f.partage);
}

std::uint32_t TGEvenement::EncodedSize() const { return LayoutSize(f_); }

// The published size counts the certitude as one character whether or not
// there is one: stored files size their event entries by it.
std::uint32_t TGEvenement::GetDataSize() const {
  return EncodedSize() + (TGRoot::TextSize(std::string_view(f_.certitude).substr(0, 1)) == 1 ? 1 : 0);
}
void TGEvenement::WriteFields(ByteWriter& w) const { LayoutWrite(w, f_); }

void TGEvenement::ReadFields(ByteReader& r) {
  Fields f;
  LayoutRead(r, f);
  if (EndOfRecord(r)) f_ = std::move(f);
}


void TGEvenement::SetText(int index, const AnsiString& text) {
  if (index < 0 || index > kAgeSurActe2) return;
  f_.texts[static_cast<std::size_t>(index)] = AnsiTrim(text);
}

const AnsiString& TGEvenement::GetText(int index) const {
  static const AnsiString kNone;
  if (index < 0 || index > kAgeSurActe2) return kNone;
  return f_.texts[static_cast<std::size_t>(index)];
}

void TGEvenement::SetCertitude(const AnsiString& text) { f_.certitude = text.substr(0, 1); }

int TGEvenement::GetRechercheActeIconIndex() const {
  switch (f_.rechercheActe) {
    case 0: return 89;
    case 1: return 28;
    case 2: return 90;
    default: return -1;
  }
}

double TGEvenement::GetDateModification() const {
  return f_.modified != 0.0 ? f_.modified : static_cast<double>(f_.root.dateModification);
}

AnsiString TGEvenement::GetDateChaine(int which) const {
  const double stamp = which == 0 ? f_.created : f_.modified;
  if (stamp != 0.0) return FormatSerial(stamp, true);
  return TGRoot::GetDateChaine(which);
}

void TGEvenement::SetModifyNow() {
  f_.modified = NowDateTime();
  f_.root.dateModification = TodaySerial();
}

void TGEvenement::SetCreatedNow() {
  f_.created = NowDateTime();
  f_.root.dateCreation = TodaySerial();
}

std::uint32_t TGEvenement::GetDateTriApp() { return date_->GetDateTriApp(false); }

AnsiString TGEvenement::GetTypeStr() const { return genvora::GetTypeStr(GetType()); }

AnsiString TGEvenement::GetSymbole() const {
  AnsiString symbol = GetSymboleType(GetType());
  return symbol.empty() ? GetTitre() : symbol;
}

AnsiString TGEvenement::GetTitre(bool) const {
  const AnsiString& own = f_.texts[kTitre];
  if (!own.empty() && !IsEventInternationnalStr(own)) return own;
  return GetTypeStr();
}

bool TGEvenement::IsEventInternationnalStr(const AnsiString& text) const {
  return genvora::IsEventInternationnalStr(GetType(), text);
}

bool TGEvenement::SetTypeFromString(const AnsiString& text) {
  const AnsiString typed = AnsiTrim(text);
  struct Shorthand {
    const char* key;
    TV5EventList type;
  };
  static constexpr Shorthand kShorthands[] = {
      {"Prjconst.SevN", evIBIRT}, {"Prjconst.SevB", evICHR},  {"Prjconst.SevD", evIDEAT},
      {"Prjconst.SevI", evIBURI}, {"Prjconst.SevM", evUMARR}, {"Prjconst.SevR", evUMARREL},
      {"Prjconst.SevC", evUMARC}, {"Prjconst.SevU", evUEVEN}, {"Prjconst.SevP", evUPACS},
  };
  for (const Shorthand& s : kShorthands) {
    if (typed == LoadResString(s.key)) {
      f_.type = s.type;
      return true;
    }
  }
  // Birth, the individual event and the couple's adoption are reached by
  // their shorthands only.
  static constexpr std::uint8_t kNamed[] = {0,  1,  2,  3,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 16, 17,
                                            18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33,
                                            34, 35, 38, 39, 54, 55, 56, 58, 59, 60, 61, 62, 63, 64, 65, 67, 68};
  for (std::uint8_t code : kNamed) {
    if (typed == genvora::GetTypeStr(static_cast<TV5EventList>(code))) {
      f_.type = code;
      return true;
    }
  }
  if (typed == LoadResString("G13str.pacs")) {
    f_.type = evUPACS;
    return true;
  }
  if (typed == genvora::GetTypeStr(evUEVEN)) {
    f_.type = evUEVEN;
    return true;
  }
  return false;
}

void TGEvenement::Fusionne(TGRoot* other, TListeAssociation* codes) {
  if (auto* otherEvent = dynamic_cast<TGEvenement*>(other)) {
    Fusionne(otherEvent, codes, nullptr);
  } else {
    TGRoot::Fusionne(other, codes);
  }
}

void TGEvenement::Fusionne(TGEvenement* other, TListeAssociation* codes, IEventNoteTable* notes) {
  if (other == nullptr) return;
  TGRoot::Fusionne(other, codes);
  if (f_.texts[kAgeSurActe].empty()) SetText(kAgeSurActe, other->f_.texts[kAgeSurActe]);
  if (f_.texts[kCause].empty()) SetText(kCause, other->f_.texts[kCause]);
  if (f_.certitude.empty()) f_.certitude = other->f_.certitude;
  if (f_.dicoLieu == 0) f_.dicoLieu = Translate(codes, other->f_.dicoLieu);
  if (notes != nullptr && GetCodeID() != 0 && other->GetCodeID() != 0 && other->GetCodeID() != GetCodeID()) {
    AnsiString mine;
    AnsiString theirs;
    bool minePrive = false;
    bool theirsPrive = false;
    if (!notes->GetNote(GetCodeID(), mine, minePrive) && notes->GetNote(other->GetCodeID(), theirs, theirsPrive)) {
      notes->SetNote(GetCodeID(), theirs, theirsPrive);
      notes->DeleteNote(other->GetCodeID());
    }
  }
  if (f_.proprietaire == 0) f_.proprietaire = Translate(codes, other->f_.proprietaire);
  f_.rechercheActe = other->f_.rechercheActe;
  if (f_.texts[kSubdivision].empty()) SetText(kSubdivision, other->f_.texts[kSubdivision]);
  date_->Fusionne(other->date_.get(), codes);
  f_.texts[kTitre] = GetTitre();
}

}  // namespace genvora
