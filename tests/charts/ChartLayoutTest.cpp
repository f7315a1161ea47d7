// The chart layouts checked as geometry: every Sosa number of the
// generations asked has its place, an implex under each of its numbers, no
// two boxes overlap, the fan's texts stay inside their sectors and fit their
// widths as pango measures them; the descendancy chart's numbers, order of
// children and spouses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "charts/ChartDrawing.h"
#include "charts/ChartLayout.h"
#include "platform/Encoding.h"
#include "platform/Host.h"
#include "platform/Resources.h"
#include "tests/support/FamilyWriter.h"

namespace genvora {
namespace {

// Root R, son of F and M, half-brother and half-sister by their father G
// (Sosa 4 and 6): G is an implex. R's first names are long enough to be cut.
struct ImplexFamily : testing::OneSurnameFamily {
  CodeID g = Person(0, 0, false);
  CodeID w1 = Person(0, 0, true), w2 = Person(0, 0, true);
  CodeID f = Person(g, w1, false), m = Person(g, w2, true);
  CodeID r = writer.Person(f, m, false,
                           Utf8ToAnsi("Jean-Baptiste Anatole Éloi Théodore Célestin Marie-Joseph Hyacinthe"), kSurname);
};

bool Overlap(const ChartBox& a, const ChartBox& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

void ExpectNoOverlap(const std::vector<ChartBox>& boxes) {
  for (std::size_t i = 0; i < boxes.size(); ++i)
    for (std::size_t j = i + 1; j < boxes.size(); ++j)
      EXPECT_FALSE(Overlap(boxes[i], boxes[j])) << boxes[i].number << " and " << boxes[j].number;
}

void ExpectLinesFit(const PangoTextMeasure& measure, const ChartText& text, const std::string& what) {
  EXPECT_LE(static_cast<double>(text.lines.size()) * text.fontSize * 1.25, text.height + 1e-9) << what;
  for (const std::string& line : text.lines) EXPECT_LE(measure.Width(line, text.fontSize), text.width) << what << ": " << line;
}

// Whether the page point (x, y) lies in the sector, with a little slack for
// rounding.
bool InSector(const ChartSector& s, double x, double y) {
  const double dx = x - s.cx, dy = s.cy - y;
  const double r = std::hypot(dx, dy);
  double a = std::atan2(dy, dx);
  if (a < -1e-9) a += 2 * std::numbers::pi;
  return r >= s.r0 - 1e-6 && r <= s.r1 + 1e-6 && a <= s.a0 + 1e-9 && a >= s.a1 - 1e-9;
}

std::map<std::string, std::pair<CodeID, bool>> PlacesByNumber(const ChartLayout& layout) {
  std::map<std::string, std::pair<CodeID, bool>> places;
  for (const ChartBox& b : layout.boxes) EXPECT_TRUE(places.emplace(b.number, std::pair{b.code, b.implex}).second) << b.number;
  for (const ChartSector& s : layout.sectors)
    EXPECT_TRUE(places.emplace(s.number, std::pair{s.code, s.implex}).second) << s.number;
  return places;
}

TEST(ChartLayoutTest, EveryAncestorHasItsPlaceAndAnImplexOneUnderEachNumber) {
  QuietHost quiet;
  SetHost(&quiet);
  ScopedResourceLanguage english(Language::English);
  ImplexFamily family;
  PangoTextMeasure measure;
  for (AncestorStyle style : {AncestorStyle::Tree, AncestorStyle::Fan}) {
    SCOPED_TRACE(style == AncestorStyle::Tree ? "tree" : "fan");
    const ChartLayout layout = LayoutAncestors(family.db, family.r, style, 4, measure);
    const auto places = PlacesByNumber(layout);
    ASSERT_EQ(places.size(), 15u);
    for (int n = 1; n <= 15; ++n) EXPECT_EQ(places.count(std::to_string(n)), 1u) << n;
    const std::map<std::string, CodeID> known = {{"1", family.r}, {"2", family.f},  {"3", family.m},
                                                 {"4", family.g}, {"5", family.w1}, {"6", family.g},
                                                 {"7", family.w2}};
    for (const auto& [number, place] : places) {
      auto k = known.find(number);
      EXPECT_EQ(place.first, k == known.end() ? 0 : k->second) << number;
      EXPECT_EQ(place.second, number == "4" || number == "6") << number;
    }
    auto textOf = [&](const std::string& number) {
      for (const ChartBox& b : layout.boxes)
        if (b.number == number) return b.text.lines;
      for (const ChartSector& s : layout.sectors)
        if (s.number == number) return s.text.lines;
      return std::vector<std::string>{};
    };
    EXPECT_EQ(textOf("4").at(0), "4 \xC2\xB7 implex");
    EXPECT_EQ(textOf("6").at(0), "6 \xC2\xB7 implex");
    EXPECT_EQ(textOf("9").at(1), "(unknown)");
    // The long first names are cut with an ellipsis, the surname kept.
    const std::vector<std::string> root = textOf("1");
    ASSERT_GE(root.size(), 3u);
    EXPECT_EQ(root[1].rfind("Jean-Baptiste", 0), 0u) << root[1];
    EXPECT_EQ(root[1].substr(root[1].size() - 3), "\xE2\x80\xA6") << root[1];
    EXPECT_EQ(root[2], "Martin");
    EXPECT_EQ(layout.title.rfind("Ancestors of Jean-Baptiste", 0), 0u) << layout.title;
    ExpectNoOverlap(layout.boxes);
    for (const ChartBox& b : layout.boxes) ExpectLinesFit(measure, b.text, b.number);
  }
  ScopedResourceLanguage french(Language::French);
  EXPECT_EQ(LayoutAncestors(family.db, family.r, AncestorStyle::Tree, 2, measure).title.rfind("Ascendance de ", 0), 0u);
  SetHost(nullptr);
}

TEST(ChartLayoutTest, FanOfEightGenerationsKeepsEveryTextInsideItsSector) {
  QuietHost quiet;
  SetHost(&quiet);
  ImplexFamily family;
  PangoTextMeasure measure;
  const ChartLayout layout = LayoutAncestors(family.db, family.r, AncestorStyle::Fan, 8, measure);
  ASSERT_EQ(layout.sectors.size(), 255u);
  for (const ChartSector& s : layout.sectors) {
    const ChartText& t = s.text;
    ASSERT_FALSE(t.lines.empty()) << s.number;
    EXPECT_EQ(t.lines[0].rfind(s.number, 0), 0u) << s.number;
    // The block's outline, its corners and points along each side.
    const double c = std::cos(t.angle), sn = std::sin(t.angle);
    for (int side = 0; side < 4; ++side) {
      for (int k = 0; k <= 16; ++k) {
        const double f = k / 16.0 - 0.5;
        const double u = side < 2 ? f * t.width : (side == 2 ? -0.5 : 0.5) * t.width;
        const double v = side < 2 ? (side == 0 ? -0.5 : 0.5) * t.height : f * t.height;
        const double x = t.cx + u * c - v * sn, y = t.cy + u * sn + v * c;
        EXPECT_TRUE(InSector(s, x, y)) << "sector " << s.number << " point " << x << "," << y;
      }
    }
    ExpectLinesFit(measure, t, s.number);
    EXPECT_GE(s.r0, 0);
    EXPECT_LT(s.r0, s.r1);
  }
  // The sectors of a generation tile its half ring: contiguous angles, the
  // father's side on the left.
  for (const ChartSector& s : layout.sectors) {
    const std::size_t n = std::stoul(s.number);
    if (n % 2 == 0 && n + 1 <= 255) {
      const ChartSector& mother = layout.sectors[n];  // number n + 1
      EXPECT_DOUBLE_EQ(s.a1, mother.a0) << n;
      EXPECT_GT(s.a0, mother.a0) << n;
    }
  }
  SetHost(nullptr);
}

TEST(ChartLayoutTest, FitTextCutsBetweenCharactersWithAnEllipsis) {
  // Every character 5 points wide, whatever its bytes.
  struct CharCount : ChartTextMeasure {
    double Width(const std::string& s, double) const override {
      double n = 0;
      for (unsigned char ch : s) n += (ch & 0xC0) != 0x80 ? 5 : 0;
      return n;
    }
  } measure;
  const struct {
    const char* text;
    double width;
    const char* fitted;
  } cases[] = {
      {"Noël", 20, "Noël"},
      {"Noël Éloi", 30, "Noël\xE2\x80\xA6"},  // the space before the cut is dropped
      {"Éléonore", 15, "Él\xE2\x80\xA6"},
      {"Éléonore", 5, "\xE2\x80\xA6"},
      {"Éléonore", 4, ""},
      {"Владимир", 25, "Влад\xE2\x80\xA6"},
  };
  for (const auto& c : cases) EXPECT_EQ(FitText(measure, c.text, c.width, 9), c.fitted) << c.text << " in " << c.width;
}

// G with two wives; A (son of W2) then B (daughter of W1) in that order; F
// son of A, M daughter of B, F and M married; D their son, reached through
// both.
struct Descendancy : testing::OneSurnameFamily {
  CodeID g = Person(0, 0, false);
  CodeID w1 = Person(0, 0, true), w2 = Person(0, 0, true);
  CodeID u1 = Couple(g, w1), u2 = Couple(g, w2);
  CodeID a = Person(g, w2, false), b = Person(g, w1, true);
  CodeID aw = Person(0, 0, true), bh = Person(0, 0, false);
  CodeID ua = Couple(a, aw), ub = Couple(bh, b);
  CodeID f = Person(a, aw, false), m = Person(bh, b, true);
  CodeID uf = Couple(f, m);
  CodeID d = Person(f, m, false);
};

TEST(ChartLayoutTest, DescendancyNumbersChildrenInOrderAndSpousesBeside) {
  QuietHost quiet;
  SetHost(&quiet);
  Descendancy family;
  PangoTextMeasure measure;
  const struct {
    DescendantNumbering numbering;
    int generations;
    std::map<CodeID, std::string> numbers;
  } cases[] = {
      {DescendantNumbering::Pelissier, 5,
       {{family.g, ""}, {family.a, "2A"}, {family.b, "1b"}, {family.f, "2AA"}, {family.m, "1ba"}, {family.d, "2AAA"}}},
      {DescendantNumbering::Aboville, 5,
       {{family.g, ""}, {family.a, "1b"}, {family.b, "2a"}, {family.f, "1b.1"}, {family.m, "2a.1"}, {family.d, "1b.1.1"}}},
      {DescendantNumbering::Aboville, 2, {{family.g, ""}, {family.a, "1b"}, {family.b, "2a"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.generations);
    const ChartLayout layout = LayoutDescendants(family.db, family.g, c.numbering, c.generations, measure);
    std::map<CodeID, const ChartBox*> descendants;
    std::multimap<CodeID, const ChartBox*> spouses;
    for (const ChartBox& box : layout.boxes) {
      if (box.spouse)
        spouses.emplace(box.code, &box);
      else
        EXPECT_TRUE(descendants.emplace(box.code, &box).second) << "drawn twice: " << box.code;
    }
    ASSERT_EQ(descendants.size(), c.numbers.size());
    for (const auto& [code, number] : c.numbers) {
      ASSERT_EQ(descendants.count(code), 1u) << code;
      EXPECT_EQ(descendants[code]->number, number) << code;
      EXPECT_EQ(descendants[code]->implex, code == family.d) << code;
    }
    ExpectNoOverlap(layout.boxes);
    for (const ChartBox& box : layout.boxes) ExpectLinesFit(measure, box.text, box.number);
    // The user's order left to right; children a row below their parent.
    EXPECT_LT(descendants[family.a]->x, descendants[family.b]->x);
    EXPECT_GT(descendants[family.a]->y, descendants[family.g]->y);
    // Both wives beside G, on its row and to its right.
    for (CodeID wife : {family.w1, family.w2}) {
      auto at = spouses.find(wife);
      ASSERT_NE(at, spouses.end()) << wife;
      EXPECT_EQ(at->second->y, descendants[family.g]->y);
      EXPECT_GT(at->second->x, descendants[family.g]->x);
    }
  }
  SetHost(nullptr);
}

}  // namespace
}  // namespace genvora
