#include "records/TGDocument.h"

#include "platform/Resources.h"
#include "records/RecordLayout.h"
#include "utilities/TextUtils.h"

namespace genvora {

namespace {

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

template <class W, class F>
void TGDocument::Fields::Layout(W& w, F& f) {
  w.U32(f.root.codeID);
  w.U32(f.root.dateCreation);
  w.U32(f.root.dateModification);
  w.U8(f.typeSource);
  w.Text(f.texts[kSource]);
  w.Text(f.texts[kDocument]);
  w.Text(f.texts[kCote]);
  w.Text(f.texts[kArchive]);
  w.U32(f.natureActe);
  w.Text(f.texts[kTexte4]);
  w.Text(f.texts[kNumero]);
  w.Bool(f.root.griot);
  w.Bool(f.root.exportable);
  if (!w.Group()) return;  // group 2
  w.I32(f.certitude);
  if (!w.Group()) return;  // group 3
  w.Text(f.url);
  if (!w.Group()) return;  // group 4
  w.Text(f.email);
  w.Text(f.auteur);
  w.Date(f.date);
}

std::uint32_t TGDocument::GetDataSize() const { return LayoutSize(f_); }
void TGDocument::WriteFields(ByteWriter& w) const { LayoutWrite(w, f_); }

void TGDocument::ReadFields(ByteReader& r) {
  Fields f;
  LayoutRead(r, f);
  if (EndOfRecord(r)) f_ = std::move(f);
}

void TGDocument::SetText(int field, const AnsiString& value) {
  if (field < kSource || field > kNumero) return;
  f_.texts[static_cast<std::size_t>(field)] = AnsiTrim(value);
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
