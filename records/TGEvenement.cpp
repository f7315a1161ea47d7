#include "records/TGEvenement.h"

#include <cstring>

#include "containers/LXArray.h"
#include "platform/Exception.h"
#include "platform/Resources.h"
#include "platform/System.h"
#include "records/RecordText.h"

namespace genvora {

namespace {

// Fixed widths of the layout in the header.
constexpr std::uint32_t kBaseFixedBytes = 4 + 4 + 4 + 4 + 1 + 4 + 32 + 1 + 1 + 1;  // 56
constexpr std::uint32_t kLaterFixedBytes = 1 + 8 + 8 + 1;                          // 18
// Six text NULs, and the certitude counted as one character and its NUL.
constexpr std::uint32_t kSizeBase = kBaseFixedBytes + kLaterFixedBytes + 6 + 2;  // 82
static_assert(kSizeBase == 82);

}  // namespace

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

std::uint32_t TGEvenement::GetDataSize() const {
  std::uint32_t size = kSizeBase;
  for (const AnsiString& text : f_.texts) size += TextSize(text) - 1;
  return size;
}

void TGEvenement::WriteFields(ByteWriter& w) const {
  w.U32(f_.root.codeID);
  w.U32(f_.root.dateCreation);
  w.U32(f_.root.dateModification);
  w.U32(f_.proprietaire);
  w.U8(f_.type);
  w.U32(f_.dicoLieu);
  TGDate::EcritDans(w, f_.date);
  w.CString(f_.texts[kTexte]);
  w.CString(f_.texts[kSubdivision]);
  w.CString(f_.texts[kTitre]);
  w.CString(f_.certitude.substr(0, 1));
  w.CString(f_.texts[kAgeSurActe]);
  w.CString(f_.texts[kCause]);
  w.U8(f_.rechercheActe);
  w.Bool(f_.root.griot);
  w.Bool(f_.root.exportable);
  // group 2
  w.Bool(f_.confidentiel);
  // group 3
  w.CString(f_.texts[kAgeSurActe2]);
  // group 4
  w.F64(f_.created);
  w.F64(f_.modified);
  // group 5
  w.Bool(f_.partage);
}

void TGEvenement::ReadFields(ByteReader& r) {
  Fields f;
  r.U32(f.root.codeID);
  r.U32(f.root.dateCreation);
  r.U32(f.root.dateModification);
  r.U32(f.proprietaire);
  r.U8(f.type);
  r.U32(f.dicoLieu);
  TGDate::LitDans(r, f.date);
  r.CString(f.texts[kTexte]);
  r.CString(f.texts[kSubdivision]);
  r.CString(f.texts[kTitre]);
  // The legacy reader copied the certitude into a two-byte buffer; a longer
  // text is kept to its first character instead of overrunning anything.
  r.CString(f.certitude);
  if (f.certitude.size() > 1) f.certitude.resize(1);
  r.CString(f.texts[kAgeSurActe]);
  r.CString(f.texts[kCause]);
  r.U8(f.rechercheActe);
  r.Bool(f.root.griot);
  r.Bool(f.root.exportable);
  if (GroupPresent(r)) r.Bool(f.confidentiel);
  if (GroupPresent(r)) r.CString(f.texts[kAgeSurActe2]);
  if (GroupPresent(r)) {
    r.F64(f.created);
    r.F64(f.modified);
  }
  if (GroupPresent(r)) r.Bool(f.partage);
  if (EndOfRecord(r)) f_ = std::move(f);
}

std::string TGEvenement::EncodeToString() const {
  std::string bytes;
  bytes.reserve(GetDataSize());
  ByteWriter writer(bytes);
  WriteFields(writer);
  // Only the certitude may fall short of its counted character.
  const std::uint32_t expected = GetDataSize() - (f_.certitude.empty() ? 1 : 0);
  if (bytes.size() != expected) {
    throw EGenvoraError::Plain("event encoding wrote " + std::to_string(bytes.size()) + " bytes instead of " +
                               std::to_string(expected));
  }
  return bytes;
}

int TGEvenement::Encode(void* buffer, int size) const {
  const std::string bytes = EncodeToString();
  if (size < 0 || static_cast<std::size_t>(size) < bytes.size()) return 0;
  std::memcpy(buffer, bytes.data(), bytes.size());
  return static_cast<int>(bytes.size());
}

// The base writer insists on GetDataSize() bytes; an event's size is an upper
// bound, so it stores what its own encoder wrote, in the same steps.
std::int32_t TGEvenement::EcritDans(CodeID codeID, LXArray* store) {
  if (GetCodeID() == 0) SetCodeID(codeID);
  if (GetCodeID() != codeID) {
    throw EGenvoraError("G5vclstrings.RootsCodeIDMismatch",
                        std::to_string(GetCodeID()) + " / " + std::to_string(codeID));
  }
  if (GetStampOnWrite()) SetModifyNow();
  if (GetDateLT(0) == 0) SetCreatedNow();
  const std::string bytes = EncodeToString();
  if (store == nullptr) return 0;
  return store->EcritData(codeID, bytes.data(), static_cast<unsigned>(bytes.size()));
}

void TGEvenement::SetText(int index, const AnsiString& text) {
  if (index < 0 || index > kAgeSurActe2) return;
  f_.texts[static_cast<std::size_t>(index)] = rectext::Trim(text);
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
  const AnsiString typed = rectext::Trim(text);
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
