#include "charts/ChartLayout.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <numbers>
#include <unordered_map>

#include "computations/TFullIndividu.h"
#include "computations/TGDatabaseParenteSource.h"
#include "computations/TV5PelisserMakers.h"
#include "database/TGDatabase.h"
#include "platform/Encoding.h"
#include "platform/Resources.h"
#include "records/TGEvenement.h"
#include "records/TGLieu.h"
#include "records/TGNom.h"
#include "tables/TGTableDicoLieux.h"

namespace genvora {

namespace {

constexpr double kMargin = 24;
constexpr double kTitleSize = 16;
constexpr double kTitleBand = 40;
constexpr double kLineFactor = 1.25;  // line height over font size
constexpr double kPad = 4;

constexpr double kBoxWidth = 190;
constexpr double kBoxHeight = 76;
constexpr double kBoxFont = 9;
constexpr double kFanFont = 8;

const char* const kEllipsis = "\xE2\x80\xA6";

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

std::string YearAndPlace(const std::string& sign, int year, const std::string& place, const ChartTextMeasure& m,
                         double width, double size) {
  if (year == 0 && place.empty()) return {};
  std::string head = sign + " " + (year != 0 ? std::to_string(year) : std::string("?"));
  if (place.empty()) return head;
  std::string full = head + " " + place;
  // The place only when it fits whole: a cut place says less than none.
  return m.Width(full, size) <= width ? full : head;
}

// The lines of a person's text, unfitted: number (with the implex mark),
// first names, surname, arrival, departure.
std::vector<std::string> PersonLines(const std::string& number, bool implex, const ChartPerson* p, CodeID code,
                                     const ChartTextMeasure& m, double width, double size) {
  std::vector<std::string> lines;
  std::string head = number;
  if (implex) head += (head.empty() ? "" : " \xC2\xB7 ") + LoadResStringUtf8("Charts.Implex");
  if (!head.empty()) lines.push_back(head);
  if (code == 0 || p == nullptr) {
    std::string unknown = "(";
    unknown += LoadResStringUtf8("Charts.Unknown");
    unknown += ')';
    lines.push_back(std::move(unknown));
    return lines;
  }
  if (!p->firstNames.empty()) lines.push_back(p->firstNames);
  if (!p->surname.empty()) lines.push_back(p->surname);
  std::string birth = YearAndPlace(LoadResStringUtf8("Charts.Birth"), p->birthYear, p->birthPlace, m, width, size);
  if (!birth.empty()) lines.push_back(birth);
  std::string death = YearAndPlace(LoadResStringUtf8("Charts.Death"), p->deathYear, p->deathPlace, m, width, size);
  if (!death.empty()) lines.push_back(death);
  return lines;
}

// Keeps the lines that fit the block's height, each fitted to its width.
void FillText(ChartText& text, const std::vector<std::string>& lines, const ChartTextMeasure& m) {
  const std::size_t room = static_cast<std::size_t>(std::max(0.0, std::floor(text.height / (text.fontSize * kLineFactor))));
  text.lines.clear();
  for (std::size_t i = 0; i < lines.size() && i < room; ++i) {
    std::string fitted = FitText(m, lines[i], text.width, text.fontSize);
    if (!fitted.empty()) text.lines.push_back(std::move(fitted));
  }
}

// The persons of a chart, each read once.
class PersonCache {
 public:
  explicit PersonCache(TGDatabase& db) : db_(db) {}
  const ChartPerson& Get(CodeID code) {
    auto found = cache_.find(code);
    if (found == cache_.end()) found = cache_.emplace(code, LoadChartPerson(db_, code)).first;
    return found->second;
  }

 private:
  TGDatabase& db_;
  std::unordered_map<CodeID, ChartPerson> cache_;
};

std::string TitleOf(const char* key, const ChartPerson& p) {
  std::string name = p.firstNames;
  if (!p.surname.empty()) name += (name.empty() ? "" : " ") + p.surname;
  return LoadResStringUtf8(key) + name;
}

struct Slot {
  CodeID code = 0;
  bool implex = false;
};

// Sosa number n at index n: the root at 1, a father at 2n, a mother at 2n+1;
// index 0 unused. Unknown parents stay 0 up to the last generation.
std::vector<Slot> SosaSlots(TGDatabase& db, CodeID root, int generations) {
  TGDatabaseParenteSource source(db);
  const std::size_t count = std::size_t{1} << generations;
  std::vector<Slot> slots(count);
  slots[1].code = root;
  std::unordered_map<CodeID, int> seen;
  for (std::size_t n = 1; n < count; ++n) {
    if (slots[n].code == 0) continue;
    ++seen[slots[n].code];
    if (2 * n + 1 >= count) continue;
    CodeID pere = 0, mere = 0;
    if (source.Parents(slots[n].code, pere, mere)) {
      slots[2 * n].code = pere;
      slots[2 * n + 1].code = mere;
    }
  }
  for (std::size_t n = 1; n < count; ++n)
    if (slots[n].code != 0) slots[n].implex = seen[slots[n].code] > 1;
  return slots;
}

int GenerationOf(std::size_t n) { return static_cast<int>(std::bit_width(n)); }

ChartLayout LayoutTree(TGDatabase& db, const std::vector<Slot>& slots, int generations, const ChartTextMeasure& m) {
  PersonCache persons(db);
  ChartLayout layout;
  const double gapX = 36, gapY = 10;
  const double leaves = static_cast<double>(std::size_t{1} << (generations - 1));
  const double top = kMargin + kTitleBand;
  const double column = leaves * (kBoxHeight + gapY);
  layout.width = 2 * kMargin + generations * kBoxWidth + (generations - 1) * gapX;
  layout.height = top + column + kMargin - gapY;
  for (std::size_t n = 1; n < slots.size(); ++n) {
    const int g = GenerationOf(n);
    const double places = static_cast<double>(std::size_t{1} << (g - 1));
    const double index = static_cast<double>(n) - places;
    ChartBox box;
    box.x = kMargin + (g - 1) * (kBoxWidth + gapX);
    box.y = top + (index + 0.5) * column / places - (kBoxHeight + gapY) / 2 + gapY / 2;
    box.width = kBoxWidth;
    box.height = kBoxHeight;
    box.code = slots[n].code;
    box.number = std::to_string(n);
    box.generation = g;
    box.implex = slots[n].implex;
    box.text = ChartText{box.x + box.width / 2, box.y + box.height / 2, box.width - 2 * kPad, box.height - 2 * kPad, 0,
                         kBoxFont, {}};
    const ChartPerson* p = box.code != 0 ? &persons.Get(box.code) : nullptr;
    FillText(box.text, PersonLines(box.number, box.implex, p, box.code, m, box.text.width, kBoxFont), m);
    if (g > 1) {
      const ChartBox& child = layout.boxes[n / 2 - 1];
      const double xmid = child.x + child.width + gapX / 2;
      const double yc = child.y + child.height / 2, yp = box.y + box.height / 2;
      layout.lines.push_back({child.x + child.width, yc, xmid, yc});
      layout.lines.push_back({xmid, yc, xmid, yp});
      layout.lines.push_back({xmid, yp, box.x, yp});
    }
    layout.boxes.push_back(std::move(box));
  }
  return layout;
}

ChartLayout LayoutFan(TGDatabase& db, const std::vector<Slot>& slots, int generations, const ChartTextMeasure& m) {
  PersonCache persons(db);
  ChartLayout layout;
  const double pi = std::numbers::pi;
  // Outer radius of each generation: inner rings carry their text across
  // the ray, outer ones along it; each ring starts far enough out for two
  // lines to fit across its narrowest sector.
  std::vector<double> outer(static_cast<std::size_t>(generations) + 1, 0.0);
  outer[1] = 100;
  const double lineHeight = kFanFont * kLineFactor;
  for (int g = 2; g <= generations; ++g) {
    const bool across = g <= 4;
    const double half = pi / static_cast<double>(std::size_t{1} << g);
    const double needHalf = across ? 55 : lineHeight + kPad;
    const double inner = std::max(outer[static_cast<std::size_t>(g) - 1], needHalf / std::tan(half) + kPad);
    outer[static_cast<std::size_t>(g) - 1] = inner;
    outer[static_cast<std::size_t>(g)] = inner + (across ? 80 : 150);
  }
  const double radius = outer[static_cast<std::size_t>(generations)];
  const double cx = kMargin + radius, cy = kMargin + kTitleBand + radius;
  layout.width = 2 * (kMargin + radius);
  layout.height = cy + kMargin + 30;
  for (std::size_t n = 1; n < slots.size(); ++n) {
    const int g = GenerationOf(n);
    const double places = static_cast<double>(std::size_t{1} << (g - 1));
    const double index = static_cast<double>(n) - places;
    ChartSector s;
    s.cx = cx;
    s.cy = cy;
    s.r0 = g == 1 ? 0 : outer[static_cast<std::size_t>(g) - 1];
    s.r1 = outer[static_cast<std::size_t>(g)];
    s.a0 = pi - index * pi / places;
    s.a1 = pi - (index + 1) * pi / places;
    s.code = slots[n].code;
    s.number = std::to_string(n);
    s.generation = g;
    s.implex = slots[n].implex;
    ChartText& t = s.text;
    t.fontSize = kFanFont;
    const double mid = (s.a0 + s.a1) / 2, half = (s.a0 - s.a1) / 2;
    double along0, along1, across;  // the block along the middle ray, and half its extent across it
    if (g == 1) {
      across = 0.85 * (s.r1 - kPad);
      along0 = kPad;
      along1 = std::sqrt((s.r1 - kPad) * (s.r1 - kPad) - across * across);
    } else {
      along0 = s.r0 + kPad;
      across = along0 * std::tan(half) - kPad;
      if (g <= 4) across = std::min(across, 75.0);
      along1 = std::sqrt(std::max(0.0, (s.r1 - kPad) * (s.r1 - kPad) - across * across));
    }
    const double along = std::max(0.0, along1 - along0);
    const double centre = (along0 + along1) / 2;
    t.cx = cx + centre * std::cos(mid);
    t.cy = cy - centre * std::sin(mid);
    if (g <= 4) {  // across the ray, upright towards the outside
      t.width = 2 * across;
      t.height = along;
      t.angle = pi / 2 - mid;
    } else {  // along the ray, never upside down
      t.width = along;
      t.height = 2 * across;
      t.angle = mid > pi / 2 ? pi - mid : -mid;
    }
    const ChartPerson* p = s.code != 0 ? &persons.Get(s.code) : nullptr;
    FillText(t, PersonLines(s.number, s.implex, p, s.code, m, t.width, kFanFont), m);
    layout.sectors.push_back(std::move(s));
  }
  return layout;
}

}  // namespace

std::string FitText(const ChartTextMeasure& measure, const std::string& text, double width, double fontSize) {
  if (measure.Width(text, fontSize) <= width) return text;
  // The longest head that fits with the ellipsis: the width grows with the
  // head, so a search over the character boundaries finds it.
  std::vector<std::size_t> cuts;
  for (std::size_t i = 1; i < text.size(); ++i)
    if (!IsContinuation(static_cast<unsigned char>(text[i]))) cuts.push_back(i);
  std::size_t lo = 0, hi = cuts.size();  // heads cuts[0..lo) known to fit
  while (lo < hi) {
    const std::size_t mid = (lo + hi + 1) / 2;
    std::string head = text.substr(0, cuts[mid - 1]);
    while (!head.empty() && head.back() == ' ') head.pop_back();
    if (measure.Width(head + kEllipsis, fontSize) <= width)
      lo = mid;
    else
      hi = mid - 1;
  }
  if (lo == 0) return measure.Width(kEllipsis, fontSize) <= width ? std::string(kEllipsis) : std::string();
  std::string head = text.substr(0, cuts[lo - 1]);
  while (!head.empty() && head.back() == ' ') head.pop_back();
  return head + kEllipsis;
}

ChartPerson LoadChartPerson(TGDatabase& db, CodeID code) {
  ChartPerson p;
  try {
    TFullIndividu full(&db, code);
    p.firstNames = AnsiToUtf8(full.Individu().GetChar(5));
    p.surname = AnsiToUtf8(TFullIndividu::NomAffiche(full.Nom()));
    auto event = [&db](CodeID e, int& year, std::string& place) {
      if (e == 0) return;
      TGEvenement record;
      if (!record.LitDans(e, db.Tables().evenements)) return;
      TGDate date;
      record.GetDate()->Clone(&date);
      if (!date.EstVide()) year = date.GetAbsoluteYear();
      if (record.GetDicoLieu() != 0) {
        TGLieu lieu;
        if (lieu.LitDans(record.GetDicoLieu(), db.Tables().dicoLieux)) place = AnsiToUtf8(lieu.GetVille());
      }
    };
    event(full.GetArrivee(), p.birthYear, p.birthPlace);
    event(full.GetDepart(), p.deathYear, p.deathPlace);
  } catch (const std::exception&) {
    // A record that cannot be read is drawn as what could be read of it.
  }
  return p;
}

ChartLayout LayoutAncestors(TGDatabase& db, CodeID root, AncestorStyle style, int generations,
                            const ChartTextMeasure& measure) {
  generations = std::clamp(generations, 1, 16);
  const std::vector<Slot> slots = SosaSlots(db, root, generations);
  ChartLayout layout =
      style == AncestorStyle::Fan ? LayoutFan(db, slots, generations, measure) : LayoutTree(db, slots, generations, measure);
  layout.titleSize = kTitleSize;
  layout.title = FitText(measure, TitleOf("Charts.Ancestors", LoadChartPerson(db, root)), layout.width - 2 * kMargin,
                         kTitleSize);
  return layout;
}

ChartLayout LayoutDescendants(TGDatabase& db, CodeID root, DescendantNumbering numbering, int generations,
                              const ChartTextMeasure& m) {
  generations = std::max(generations, 1);
  TGDatabaseParente kinship(db);
  TV5PelisserMakers maker(kinship.Parente(), kinship.Source());
  maker.SetNumerotation(numbering == DescendantNumbering::Pelissier ? ndPelissier : ndDAboville);
  maker.SetPivot(root);

  struct Node {
    CodeID code = 0;
    std::string number;
    int generation = 0;
    bool implex = false;
    std::vector<std::size_t> children;  // in the maker's order: the user's
    std::vector<CodeID> spouses;
    double width = 0;  // of the subtree
  };
  std::vector<Node> nodes;
  std::unordered_map<CodeID, std::size_t> indexOf;
  for (bool more = maker.Restart(); more; more = maker.Next()) {
    const TV5Pelissiers& r = maker.Current();
    if (r.GetGeneration() > generations) continue;
    const CodeID parent = r.GetCodeParent();
    auto up = indexOf.find(parent);
    if (parent != 0 && up == indexOf.end()) continue;
    Node node{r.GetCodeID(), AnsiToUtf8(r.GetTexte()), r.GetGeneration(), r.GetMultiple(), {}, {}, 0};
    indexOf.emplace(node.code, nodes.size());
    if (parent != 0) nodes[up->second].children.push_back(nodes.size());
    nodes.push_back(std::move(node));
  }
  if (nodes.empty()) nodes.push_back(Node{root, "", 1, false, {}, {}, 0});

  const TGParenteSource& source = kinship.Source();
  const double gapX = 16, gapSpouse = 8, gapY = 36;
  for (Node& node : nodes) {
    std::vector<CodeID> unions;
    source.LesUnionsDe(node.code, unions);
    for (CodeID u : unions) {
      CodeID mari = 0, femme = 0;
      if (!source.Partenaires(u, mari, femme)) continue;
      const CodeID other = mari == node.code ? femme : mari;
      if (other != 0 && std::find(node.spouses.begin(), node.spouses.end(), other) == node.spouses.end())
        node.spouses.push_back(other);
    }
  }
  auto ownWidth = [&](const Node& n) {
    return kBoxWidth * static_cast<double>(1 + n.spouses.size()) + gapSpouse * static_cast<double>(n.spouses.size());
  };
  // Children come after their parent, so a walk from the end sizes every
  // subtree before its parent's.
  for (std::size_t i = nodes.size(); i-- > 0;) {
    double sum = 0;
    for (std::size_t c : nodes[i].children) sum += nodes[c].width;
    if (!nodes[i].children.empty()) sum += gapX * static_cast<double>(nodes[i].children.size() - 1);
    nodes[i].width = std::max(ownWidth(nodes[i]), sum);
  }

  PersonCache persons(db);
  ChartLayout layout;
  const double top = kMargin + kTitleBand;
  int deepest = 1;
  for (const Node& n : nodes) deepest = std::max(deepest, n.generation);
  layout.width = 2 * kMargin + nodes[0].width;
  layout.height = top + deepest * kBoxHeight + (deepest - 1) * gapY + kMargin;

  auto addBox = [&](CodeID code, const std::string& number, int generation, bool implex, bool spouse, double x, double y) {
    ChartBox box;
    box.x = x;
    box.y = y;
    box.width = kBoxWidth;
    box.height = kBoxHeight;
    box.code = code;
    box.number = number;
    box.generation = generation;
    box.implex = implex;
    box.spouse = spouse;
    box.text = ChartText{x + kBoxWidth / 2, y + kBoxHeight / 2, kBoxWidth - 2 * kPad, kBoxHeight - 2 * kPad, 0, kBoxFont, {}};
    FillText(box.text, PersonLines(number, implex, &persons.Get(code), code, m, box.text.width, kBoxFont), m);
    layout.boxes.push_back(std::move(box));
  };
  // Places the subtree of nodes[i] from `left`; answers the centre of the
  // person's box.
  std::function<double(std::size_t, double)> place = [&](std::size_t i, double left) -> double {
    const Node& n = nodes[i];
    const double y = top + (n.generation - 1) * (kBoxHeight + gapY);
    const double own = ownWidth(n);
    const double x = left + (n.width - own) / 2;
    addBox(n.code, n.number, n.generation, n.implex, false, x, y);
    double sx = x + kBoxWidth + gapSpouse;
    for (CodeID spouse : n.spouses) {
      layout.lines.push_back({sx - gapSpouse, y + kBoxHeight / 2, sx, y + kBoxHeight / 2});
      addBox(spouse, "", n.generation, false, true, sx, y);
      sx += kBoxWidth + gapSpouse;
    }
    const double centre = x + kBoxWidth / 2;
    if (!n.children.empty()) {
      double sum = 0;
      for (std::size_t c : n.children) sum += nodes[c].width;
      sum += gapX * static_cast<double>(n.children.size() - 1);
      double cl = left + (n.width - sum) / 2;
      const double bar = y + kBoxHeight + gapY / 2;
      double first = 0, last = 0;
      for (std::size_t k = 0; k < n.children.size(); ++k) {
        const std::size_t c = n.children[k];
        const double cc = place(c, cl);
        const double cy = top + (nodes[c].generation - 1) * (kBoxHeight + gapY);
        layout.lines.push_back({cc, bar, cc, cy});
        if (k == 0) first = cc;
        last = cc;
        cl += nodes[c].width + gapX;
      }
      layout.lines.push_back({centre, y + kBoxHeight, centre, bar});
      layout.lines.push_back({std::min(first, centre), bar, std::max(last, centre), bar});
    }
    return centre;
  };
  place(0, kMargin);
  layout.titleSize = kTitleSize;
  layout.title = FitText(m, TitleOf("Charts.Descendants", persons.Get(root)), layout.width - 2 * kMargin, kTitleSize);
  return layout;
}

}  // namespace genvora
