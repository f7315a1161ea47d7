#include "records/TGV9FaitHistorique.h"

#include "records/RecordLayout.h"
#include "utilities/TextUtils.h"

namespace genvora {

namespace {

constexpr std::uint8_t kGregorien = 'G';  // on disk, never changes

// A fact is always kept as a Gregorian day, whatever the block held.
void ForceGregorian(TGDate::dateT& block) { block.Calendar[0] = block.Calendar[1] = kGregorien; }

}  // namespace

TGV9FaitHistorique::TGV9FaitHistorique() { EndInit(); }
TGV9FaitHistorique::TGV9FaitHistorique(const TGV9FaitHistorique& other) = default;
TGV9FaitHistorique& TGV9FaitHistorique::operator=(const TGV9FaitHistorique& other) = default;

void TGV9FaitHistorique::EndInit() { zeroMemory(); }

void TGV9FaitHistorique::zeroMemory() {
  f_ = Fields{};
  ForceGregorian(f_.date);
}

template <class W, class F>
void TGV9FaitHistorique::Fields::Layout(W& w, F& f) {
  w.U32(f.root.codeID);
  w.U32(f.root.dateCreation);
  w.U32(f.root.dateModification);
  w.Bool(f.root.griot);
  w.Bool(f.root.exportable);
  w.Text(f.nom);
  w.Date(f.date, ForceGregorian);
  w.U8(f.typeFait);
  w.Text(f.origine);
  w.Text(f.description);
  auto vignetteSize = static_cast<std::uint32_t>(f.vignette.size());
  w.U32(vignetteSize);
  w.I32(f.priorite);
  w.Text(f.extraText);
  w.U32(f.extraValue);
  w.U8(f.perso);
  w.Blob(f.vignette, vignetteSize, "negative thumbnail size");
}

std::uint32_t TGV9FaitHistorique::GetDataSize() const { return LayoutSize(f_); }
void TGV9FaitHistorique::WriteFields(ByteWriter& w) const { LayoutWrite(w, f_); }

void TGV9FaitHistorique::ReadFields(ByteReader& r) {
  Fields f;
  LayoutRead(r, f);
  if (EndOfRecord(r)) f_ = std::move(f);
}

bool TGV9FaitHistorique::SetDateTexte(const AnsiString& text) {
  TGDate parsed;
  if (!parsed.SetText(text)) return false;
  TGDate gregorian;
  const int calendar = parsed.GetCalendarIndex(false);
  // 0 Gregorian, 2 Julian: taken as typed; the others are converted.
  if (calendar == 0 || calendar == 2) {
    gregorian.Block() = parsed.Block();
  } else {
    parsed.EnGregorien(&gregorian);
  }
  TGDate check;
  check.Block() = gregorian.Block();
  check.SetCalendar('G', false);
  check.GetDateTriApp(false);
  if (!check.IsValid() || gregorian.GetYear(false) == 0) return false;
  for (int side = 0; side < 2; ++side) {
    f_.date.Day[side] = static_cast<std::int8_t>(gregorian.GetDay(false));
    f_.date.Month[side] = static_cast<std::int8_t>(gregorian.GetMonth(false));
    f_.date.Year[side] = static_cast<std::int16_t>(gregorian.GetYear(false));
    f_.date.Calendar[side] = kGregorien;
  }
  return true;
}

AnsiString TGV9FaitHistorique::GetDateTexte() const {
  TGDate date;
  date.Block() = f_.date;
  return f_.date.Year[0] == 0 ? AnsiString() : date.GetText();
}

int TGV9FaitHistorique::GetAnnee() const { return f_.date.Year[0]; }

AnsiString TGV9FaitHistorique::GetNomType(TypeFaitT type) {
  switch (type) {
    case 1: return "Art et Lettres";
    case 2: return "Culture et Soci\xE9t\xE9";
    case 3: return "Epid\xE9mies et Famines";
    case 4: return "Fl\xE9" "aux Climatiques";
    case 5: return "Guerres, R\xE9voltes et Massacres";
    case 6: return "Sciences et Techniques";
    case 7: return "Union Europ\xE9" "enne";
    case 8: return "Histoire du Quebec";
    case 9: return "G\xE9n\xE9" "alogies Royales";
    case 10: return "Politique";
    case 11: return "Libre";
    default: return "*Perso*";
  }
}

void TGV9FaitHistorique::GetListeTypes(std::vector<AnsiString>& list, int which) {
  list.clear();
  if (which == 0 || which == 2)
    for (TypeFaitT type = 1; type < kPremierTypePerso; ++type) list.push_back(GetNomType(type));
  if (which == 1 || which == 2) list.push_back("Perso");
}

int TGV9FaitHistorique::GetListeTypesCount(int which) {
  std::vector<AnsiString> list;
  GetListeTypes(list, which);
  return static_cast<int>(list.size());
}

void TGV9FaitHistorique::GetRubriques(std::vector<AnsiString>& list) { list = {"Fait", "Date", "Origine"}; }

void TGV9FaitHistorique::GetAttributsTexte(std::vector<AnsiString>& list) const {
  list = {f_.nom, GetDateTexte(), f_.origine};
}

AnsiString TGV9FaitHistorique::GetAttributsPourRecherche() const {
  return f_.nom + "  " + GetDateTexte() + "  " + f_.description;
}

}  // namespace genvora
