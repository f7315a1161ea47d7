#include "records/TGLien.h"

#include <string>

#include "platform/Resources.h"
#include "records/RecordLayout.h"
#include "utilities/TextUtils.h"

namespace genvora {

namespace {

// Names of the wording resources by type code; null = no wording.
const char* PersonKind(liensListT type) {
  static const char* const kKinds[] = {nullptr,  "AIEUL",  "AMI",      "BEAUFRERE", "BEAUPERE", "CONSANGUIN",
                                       "COUSIN", "DOUBLON", "FRERE",   "JUMEAU",    "HERITIER", "ONCLE",
                                       "PARENT", "RECONNU", "TUTEUR",  "AUTRE",     "PARENTADOPT", "PARENTBIO"};
  return type < std::size(kKinds) ? kKinds[type] : nullptr;
}

const char* EventRole(liensListT type) {
  static const char* const kRoles[] = {"DECLARANT", "OFFCIVIL", "OFFRELIG", "PARRAIN",   "PRESENT",  "TEMOIN",
                                       "AUTRE",     "NOTAIRE",  "HUISSIER", "CITE_ACTE", "HERITIER", "TUTEUR",
                                       "JUMEAU"};
  return type >= 101 && type <= 113 ? kRoles[type - 101] : nullptr;
}

// Roles added by later versions, worded by another resource unit.
const char* LaterEventRole(liensListT type) {
  static const char* const kRoles[] = {"PARTICIPANT", "ORGANISATEUR", "VENDEUR", "ACHETEUR", "ADOPTANT", "ADOPTE"};
  return type >= 114 && type <= 119 ? kRoles[type - 114] : nullptr;
}

// "G5vclstrings.liAMI" or "G5vclstrings.luPARRAIN"; empty without wording.
std::string WordingBase(liensListT type) {
  if (const char* kind = PersonKind(type)) return std::string("G5vclstrings.li") + kind;
  if (const char* role = EventRole(type)) return std::string("G5vclstrings.lu") + role;
  return {};
}

std::string CamelCase(const char* name) {
  std::string out(name);
  for (std::size_t i = 1; i < out.size(); ++i) out[i] = AnsiLowerChar(out[i]);
  return out;
}

AnsiString TitleFor(liensListT type, formeLienT forme, genreLienT genre) {
  if (const char* role = LaterEventRole(type)) {
    return LoadResString(std::string("G15str.roleEvt_lu") + role + (genre == genreFeminin ? "_F" : ""));
  }
  const std::string base = WordingBase(type);
  if (base.empty()) return {};
  return LoadResString(base + (forme == formeActive ? "A" : "P") + (genre == genreFeminin ? "F" : "M"));
}

}  // namespace

TGLien::TGLien() { EndInit(); }

void TGLien::EndInit() { f_ = Fields{}; }

void TGLien::zeroMemory() { f_ = Fields{}; }

template <class W, class F>
void TGLien::Fields::Layout(W& w, F& f) {
  w.U32(f.root.codeID);
  w.U32(f.root.dateCreation);
  w.U32(f.root.dateModification);
  w.U32(f.lienDe);
  w.U32(f.lienVers);
  w.Text(f.note);
  w.U8(f.reserve);
  w.Text(f.titre);
  w.U8(f.type);
  w.Bool(f.root.griot);
  w.Bool(f.root.exportable);
  if (!w.Group()) return;  // group 2
  w.Text(f.extra);
}

std::uint32_t TGLien::GetDataSize() const { return LayoutSize(f_); }
void TGLien::WriteFields(ByteWriter& w) const { LayoutWrite(w, f_); }

void TGLien::ReadFields(ByteReader& r) {
  Fields f;
  LayoutRead(r, f);
  if (EndOfRecord(r)) f_ = std::move(f);
}

void TGLien::SetNote(const AnsiString& note) { f_.note = AnsiTrim(note); }

AnsiString TGLien::GetTitre() const {
  if (!f_.titre.empty()) return f_.titre;
  return TitleFor(f_.type, forme_, genre_);
}

AnsiString TGLien::GetPrefixe() const {
  const std::string base = WordingBase(f_.type);
  if (base.empty()) return {};
  const bool feminine = genre_ == genreFeminin;
  if (forme_ == formeActive) return LoadResString(base + (feminine ? "ApreF" : "APreM"));
  return LoadResString(base + (feminine ? "AprePF" : "APrePM"));
}

AnsiString TGLien::GetSuffixe() const {
  const std::string base = WordingBase(f_.type);
  if (base.empty()) return {};
  return LoadResString(base + (forme_ == formeActive ? "APost" : "PPost"));
}

AnsiString TGLien::GetTexteEtenduV12() const {
  const char* name = PersonKind(f_.type);
  if (name == nullptr) name = EventRole(f_.type);
  if (name == nullptr) name = LaterEventRole(f_.type);
  if (name == nullptr) return {};
  return LoadResString("Locfiches.est" + CamelCase(name) + "De" + (genre_ == genreFeminin ? "F" : ""));
}

AnsiString TGLien::GetItemFor(liensListT type) {
  if (const char* role = LaterEventRole(type)) return LoadResString(std::string("G15str.roleEvt_lu") + role);
  const std::string base = WordingBase(type);
  return base.empty() ? AnsiString() : LoadResString(base + "I");
}

void TGLien::SetTypeString(const AnsiString& text) {
  for (int type = 1; type <= 119; ++type) {
    const auto code = static_cast<liensListT>(type);
    const AnsiString masculine = TitleFor(code, formePassive, genreMasculin);
    if (masculine.empty()) continue;
    if (text == masculine || text == TitleFor(code, formePassive, genreFeminin)) {
      f_.type = code;
      return;
    }
  }
}

liensListT TGLien::ConvertOldType(liensListT type) {
  if (type <= 15) return type;
  if (type == 16) return 100;
  if (type >= 17 && type <= 24) return static_cast<liensListT>(type + 84);  // 101 to 108
  if (type == 25) return 121;
  if (type == 26) return 109;
  return type;
}

void TGLien::ConvertOldTypeLiens() { f_.type = ConvertOldType(f_.type); }

void TGLien::Fusionne(TGRoot* other, TListeAssociation* codes) {
  if (auto* otherLien = dynamic_cast<TGLien*>(other)) {
    Fusionne(otherLien, codes);
  } else {
    TGRoot::Fusionne(other, codes);
  }
}

void TGLien::Fusionne(TGLien* other, TListeAssociation* codes) {
  if (other == nullptr) return;
  TGRoot::Fusionne(other, codes);
  if (f_.lienDe == 0) f_.lienDe = Translate(codes, other->f_.lienDe);
  if (f_.lienVers == 0) f_.lienVers = Translate(codes, other->f_.lienVers);
  if (f_.note.empty()) SetNote(other->f_.note);
  if (GetTitre().empty()) f_.titre = other->GetTitre();
}

}  // namespace genvora
