#include "records/TGNom.h"

#include "platform/Host.h"
#include "platform/Preferences.h"
#include "records/RecordLayout.h"
#include "utilities/TextUtils.h"

namespace genvora {

namespace {

// Option bits: byte 0 places the parts, byte 1 hides them.
constexpr std::uint16_t kParticuleAfter = 0x08;
constexpr std::uint16_t kCodeShown1 = 0x10;
constexpr std::uint16_t kCodeShown2 = 0x20;
constexpr std::uint16_t kCodeAtEnd = 0x40;
constexpr std::uint16_t kStarWhenAttached = 0x80;
constexpr std::uint16_t kHideParticule = 0x01 << 8;
constexpr std::uint16_t kHideNom = 0x02 << 8;

// Owner classes that work outside a database and split particles themselves.
constexpr std::string_view kOwnSplitterOwners[] = {"TFormQuickPickPatronyme", "TFormQuickPickPrenom",
                                                   "TformSelectPeople",       "TmainConversionFrm",
                                                   "TFormSelectPeopleEx",     "TGedcom"};

}  // namespace

TGNom::TGNom() { EndInit(); }

TGNom::TGNom(TV5SplitterParticule* databaseSplitter) : splitter_(databaseSplitter) { EndInit(); }

TGNom::TGNom(std::string_view ownerClassName, TV5SplitterParticule* databaseSplitter) {
  EndInit();
  if (ownerClassName.empty()) return;
  if (ownerClassName == "TGDatabase") {
    splitter_ = databaseSplitter;
    return;
  }
  for (std::string_view owner : kOwnSplitterOwners) {
    if (ownerClassName == owner) {
      UseOwnSplitter();
      return;
    }
  }
  ShowMessage("TGNom::TGNom\nLe propri\xE9taire d\xE9sign\xE9 n'est pas du type TGDatabase", "TGNom");
}

void TGNom::UseOwnSplitter() {
  ownSplitter_ = std::make_shared<TV5SplitterParticule>();
  splitter_ = ownSplitter_.get();
}

void TGNom::SetInterprete(TV5SplitterParticule* splitter) {
  splitter_ = splitter;
  if (ownSplitter_ != nullptr && splitter != ownSplitter_.get()) ownSplitter_.reset();
}

void TGNom::EndInit() {
  f_ = Fields{};
  options_ = 0;
}

void TGNom::zeroMemory() { f_ = Fields{}; }

template <class W, class F>
void TGNom::Fields::Layout(W& w, F& f) {
  w.U32(f.root.codeID);
  w.U32(f.root.dateCreation);
  w.U32(f.root.dateModification);
  w.U32(f.rattachement);
  w.Text(f.nom);
  w.Bool(f.root.griot);
  w.Bool(f.root.exportable);
  if (!w.Group()) return;  // group 2
  w.Text(f.extraText);
  w.U8(f.extraByte);
}

std::uint32_t TGNom::GetDataSize() const { return LayoutSize(f_); }
void TGNom::WriteFields(ByteWriter& w) const { LayoutWrite(w, f_); }

void TGNom::ReadFields(ByteReader& r) {
  Fields f;
  LayoutRead(r, f);
  if (EndOfRecord(r)) f_ = std::move(f);
}

void TGNom::SetNom(const AnsiString& nom) { f_.nom = AnsiTrim(nom); }

AnsiString TGNom::GetNom() const {
  AnsiString nom = f_.nom;
  if (splitter_ != nullptr) {
    splitter_->SetString(f_.nom);
    nom = splitter_->GetPatronyme();
  }
  const TPreferenceGenvora5* prefs = SharedPrefs();
  if (f_.root.griot || prefs == nullptr || nom.empty()) return nom;
  if (prefs->CasseNom == 0) nom = AnsiUpperCase(nom);
  if (prefs->CasseNom == 1) nom = AnsiFirstUpper(nom, false, "");
  if (prefs->ConvertirTextes) nom = prefs->ConvertText(nom);
  return nom;
}

AnsiString TGNom::GetParticule() const {
  if (splitter_ == nullptr) return {};
  splitter_->SetString(f_.nom);
  return splitter_->GetParticule();
}

AnsiString TGNom::GetText() const {
  const std::uint16_t o = options_;
  const AnsiString particule = (o & kHideParticule) != 0 ? AnsiString() : GetParticule();
  AnsiString line;
  if ((o & kParticuleAfter) == 0) line = particule;
  if ((o & kHideNom) == 0) {
    const AnsiString nom = GetNom();
    if (!line.empty() && !nom.empty()) line += ' ';
    line += nom;
    if ((o & kStarWhenAttached) != 0 && GetIsR()) line += '*';
  }
  if ((o & kParticuleAfter) != 0 && !particule.empty()) {
    if (!line.empty()) line += ' ';
    line += '(';
    line += particule;
    line += ')';
  }
  if ((o & (kCodeShown1 | kCodeShown2)) != 0) {
    AnsiString code(1, '[');
    code += std::to_string(f_.root.codeID);
    code += "] ";
    if ((o & kCodeAtEnd) != 0) {
      line += ' ';
      line += code;
    } else {
      line.insert(0, code);
    }
  }
  return line;
}

int TGNom::InternalCompare(const TGNom* other) const {
  if (other == nullptr) return 1;
  const int byNom = AnsiCompareText(GetNom(), other->GetNom());
  if (byNom != 0) return byNom;
  return AnsiCompareText(GetParticule(), other->GetParticule());
}

int TGNom::Compare(const TGNom* other) const {
  if (other == nullptr) return 1;
  const int byNom = AnsiCompareText(GetNom(), other->GetNom());
  if (byNom != 0) return byNom;
  // Compared wide: codes use the whole unsigned range.
  const auto difference = static_cast<std::int64_t>(f_.root.codeID) - static_cast<std::int64_t>(other->f_.root.codeID);
  return difference < 0 ? -1 : difference > 0 ? 1 : 0;
}

void TGNom::Fusionne(TGRoot* other, TListeAssociation* codes) {
  if (auto* otherNom = dynamic_cast<TGNom*>(other)) {
    Fusionne(otherNom, codes);
  } else {
    TGRoot::Fusionne(other, codes);
  }
}

void TGNom::Fusionne(TGNom* other, TListeAssociation* codes) {
  if (other == nullptr) return;
  TGRoot::Fusionne(other, codes);
  // The surname is taken as the other stored it: its displayed form would
  // lose the particle and bake the display case into the data.
  if (f_.nom.empty()) SetNom(other->f_.nom);
  if (ownSplitter_ == nullptr) UseOwnSplitter();
  f_.rattachement = Translate(codes, other->f_.rattachement);
}

}  // namespace genvora
