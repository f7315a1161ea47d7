#include "records/TGDocument.h"

#include "platform/Resources.h"
#include "records/RecordText.h"

namespace genvora {

namespace {

constexpr std::uint32_t kBaseFixedBytes = 4 * 3 + 1 + 4 + 1 + 1;  // 19, and six texts
constexpr std::uint32_t kLaterFixedBytes = 4 + 32;                // and three texts
constexpr std::uint32_t kNbTexts = 9;
static_assert(kBaseFixedBytes + kLaterFixedBytes + kNbTexts == 64);

constexpr const char* kNatureKeys[] = {"Locfiches.fichierNumerique", "Locfiches.internet", "Locfiches.microfilm",
                                       "Locfiches.original", "Locfiches.copie"};
constexpr const char* kTypeKeys[] = {
    "Locfiches.acte",      "Locfiches.docFamilial", "Locfiches.cdrom",           "Locfiches.correspondance",
    "Locfiches.docAdministratif", "Locfiches.docInternet", "Locfiches.gedcom", "Locfiches.inscription",
    "Locfiches.listeNominative",  "Locfiches.media",       "Locfiches.parution", "Locfiches.autre"};
constexpr const char* kCertitudeKeys[] = {"Locfiches.sourceIncertaine", "Locfiches.sourcePeuCertaine",
                                          "Locfiches.sourcePlutotSure", "Locfiches.sourceSure"};

}  // namespace

TGDocument::TGDocument() : date_(std::make_unique<TGDate>(&f_.date)) { EndInit(); }

TGDocument::TGDocument(const TGDocument& other)
    : TGRoot(other), f_(other.f_), date_(std::make_unique<TGDate>(&f_.date)) {}

TGDocument& TGDocument::operator=(const TGDocument& other) {
  if (this != &other) {
    TGRoot::operator=(other);
    f_ = other.f_;
  }
  return *this;
}

TGDocument::~TGDocument() = default;

void TGDocument::EndInit() { zeroMemory(); }
void TGDocument::zeroMemory() { f_ = Fields{}; }

std::uint32_t TGDocument::GetDataSize() const {
  std::uint32_t size = kBaseFixedBytes + kLaterFixedBytes;
  for (const AnsiString& text : f_.texts) size += TextSize(text);
  return size + TextSize(f_.url) + TextSize(f_.email) + TextSize(f_.auteur);
}

void TGDocument::WriteFields(ByteWriter& w) const {
  w.U32(f_.root.codeID);
  w.U32(f_.root.dateCreation);
  w.U32(f_.root.dateModification);
  w.U8(f_.typeSource);
  w.CString(f_.texts[kSource]);
  w.CString(f_.texts[kDocument]);
  w.CString(f_.texts[kCote]);
  w.CString(f_.texts[kArchive]);
  w.U32(f_.natureActe);
  w.CString(f_.texts[kTexte4]);
  w.CString(f_.texts[kNumero]);
  w.Bool(f_.root.griot);
  w.Bool(f_.root.exportable);
  // group 2
  w.I32(f_.certitude);
  // group 3
  w.CString(f_.url);
  // group 4
  w.CString(f_.email);
  w.CString(f_.auteur);
  TGDate::EcritDans(w, f_.date);
}

void TGDocument::ReadFields(ByteReader& r) {
  Fields f;
  r.U32(f.root.codeID);
  r.U32(f.root.dateCreation);
  r.U32(f.root.dateModification);
  r.U8(f.typeSource);
  r.CString(f.texts[kSource]);
  r.CString(f.texts[kDocument]);
  r.CString(f.texts[kCote]);
  r.CString(f.texts[kArchive]);
  r.U32(f.natureActe);
  r.CString(f.texts[kTexte4]);
  r.CString(f.texts[kNumero]);
  r.Bool(f.root.griot);
  r.Bool(f.root.exportable);
  if (GroupPresent(r)) r.I32(f.certitude);
  if (GroupPresent(r)) r.CString(f.url);
  if (GroupPresent(r)) {
    r.CString(f.email);
    r.CString(f.auteur);
    TGDate::LitDans(r, f.date);
  }
  if (EndOfRecord(r)) f_ = std::move(f);
}

void TGDocument::SetText(int field, const AnsiString& value) {
  if (field < kSource || field > kNumero) return;
  f_.texts[static_cast<std::size_t>(field)] = rectext::Trim(value);
}

const AnsiString& TGDocument::GetText(int field) const {
  static const AnsiString kNone;
  if (field < kSource || field > kNumero) return kNone;
  return f_.texts[static_cast<std::size_t>(field)];
}

AnsiString TGDocument::GetNatureActeText() const {
  return LoadResString(f_.natureActe < std::size(kNatureKeys) ? kNatureKeys[f_.natureActe] : "Locfiches.autre");
}

AnsiString TGDocument::TypeActeText() const {
  return LoadResString(f_.typeSource < std::size(kTypeKeys) ? kTypeKeys[f_.typeSource] : "Locfiches.autre");
}

void TGDocument::SetTypeActeText(const AnsiString& text) {
  for (std::size_t t = 0; t < std::size(kTypeKeys); ++t) {
    if (LoadResString(kTypeKeys[t]) == text) {
      f_.typeSource = static_cast<std::uint8_t>(t);
      return;
    }
  }
}

AnsiString TGDocument::TypeActeTextGedcom() const {
  ScopedResourceLanguage english(Language::English);
  return TypeActeText();
}

void TGDocument::SetTypeActeTextGedcom(const AnsiString& text) {
  ScopedResourceLanguage english(Language::English);
  SetTypeActeText(text);
}

AnsiString TGDocument::CertitudeText() const {
  if (f_.certitude < 0 || f_.certitude > 3) return {};
  return LoadResString(kCertitudeKeys[f_.certitude]);
}

void TGDocument::ConvertOldNatureEnumValue() {
  struct Conversion {
    std::uint32_t nature;
    std::uint8_t type;
  };
  // Indexed by the old nature, 0 to 21.
  static constexpr Conversion kOld[] = {
      {5, tsAutre},  {3, tsAutre},  {4, tsAutre},  {4, tsAutre},     {4, tsActe},      {0, tsActe},
      {2, tsActe},   {7, tsActe},   {4, tsActe},   {3, tsMedia},     {10, tsActe},     {0, tsCD},
      {0, tsMedia},  {3, tsParution}, {3, tsParution}, {3, tsParution}, {3, tsCorrespondance}, {3, tsParution},
      {3, tsInscription}, {0, tsMedia}, {20, tsAutre}, {1, tsAutre},
  };
  const std::uint32_t old = f_.natureActe;
  const Conversion c = old < std::size(kOld) ? kOld[old] : Conversion{5, tsAutre};
  f_.natureActe = c.nature;
  f_.typeSource = c.type;
}

void TGDocument::Fusionne(TGRoot* other, TListeAssociation* codes) {
  if (auto* o = dynamic_cast<TGDocument*>(other)) {
    Fusionne(o, codes);
  } else {
    TGRoot::Fusionne(other, codes);
  }
}

void TGDocument::Fusionne(TGDocument* other, TListeAssociation* codes) {
  if (other == nullptr) return;
  TGRoot::Fusionne(other, codes);
  for (Field field : {kArchive, kCote, kDocument, kSource}) {
    if (f_.texts[field].empty()) SetText(field, other->f_.texts[field]);
  }
  if (f_.url.empty()) f_.url = other->f_.url;
  if (f_.email.empty()) f_.email = other->f_.email;
  if (f_.auteur.empty()) f_.auteur = other->f_.auteur;
  date_->Fusionne(other->date_.get(), codes);
}

}  // namespace genvora
