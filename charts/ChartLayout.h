// ChartLayout: the pictures of a person's ancestry and descendancy as plain
// geometry (boxes, fan sectors, connecting lines and fitted texts), computed
// apart from any drawing so that it can be checked as data.
//
// Coordinates are in points, y downwards, the origin at the top left of the
// page. Every text is UTF-8 and already fitted: each line is no wider than
// its block as the measurer sees it (a long line ends with an ellipsis) and
// there are no more lines than the block's height holds.
//
// Invariants:
//  1. An ancestor chart holds one place per Sosa number of the generations
//     asked for, known or not: a person reached by several paths (implex)
//     has a place under each of its numbers, each marked.
//  2. Boxes never overlap; a fan's text blocks lie inside their sectors.
//  3. A descendancy chart shows each descendant once, at its number, its
//     children below it in the user's order and its spouses beside it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace genvora {

class TGDatabase;

// How wide a line of text is drawn (points), at a font size.
class ChartTextMeasure {
 public:
  virtual ~ChartTextMeasure() = default;
  virtual double Width(const std::string& utf8, double fontSize) const = 0;
};

// `text` as it fits in `width`: whole, or its longest head that fits with an
// ellipsis after it (the ellipsis alone when nothing more fits, nothing when
// not even that fits). Cuts fall between characters, never inside one.
std::string FitText(const ChartTextMeasure& measure, const std::string& text, double width, double fontSize);

// What a chart shows of a person, in UTF-8.
struct ChartPerson {
  std::string firstNames;
  std::string surname;
  int birthYear = 0;  // 0: unknown
  std::string birthPlace;
  int deathYear = 0;
  std::string deathPlace;
};

// Reads a person's names and the years and places of its arrival (birth or
// christening) and departure (death or burial); empty for a code that
// cannot be read.
ChartPerson LoadChartPerson(TGDatabase& db, CodeID code);

// A block of text lines centred on (cx, cy), `width` by `height` before it
// is turned by `angle` (radians, clockwise on the page) about its centre.
struct ChartText {
  double cx = 0, cy = 0, width = 0, height = 0, angle = 0;
  double fontSize = 0;
  std::vector<std::string> lines;
};

struct ChartBox {
  double x = 0, y = 0, width = 0, height = 0;
  CodeID code = 0;       // 0: an unknown ancestor's empty place
  std::string number;    // Sosa, Pelissier or d'Aboville; empty for a spouse
  int generation = 0;    // 1 for the chart's person
  bool implex = false;   // the person has several places (or parents) in the chart
  bool spouse = false;   // a descendant's spouse, beside it
  ChartText text;
};

// A ring sector of a fan, centred on (cx, cy); angles in radians counted
// anticlockwise from the right as on a circle, y of the page downwards.
struct ChartSector {
  double cx = 0, cy = 0, r0 = 0, r1 = 0, a0 = 0, a1 = 0;  // a0 > a1
  CodeID code = 0;
  std::string number;
  int generation = 0;
  bool implex = false;
  ChartText text;
};

struct ChartLine {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

struct ChartLayout {
  double width = 0, height = 0;  // the page
  std::string title;
  double titleSize = 0;
  std::vector<ChartBox> boxes;
  std::vector<ChartSector> sectors;
  std::vector<ChartLine> lines;
};

enum class AncestorStyle { Tree, Fan };
enum class DescendantNumbering { Pelissier, Aboville };


// The pedigree (the person on the left, fathers above mothers) or the
// half-circle fan of `root`'s ancestors over `generations` generations (the
// root's own counted).
ChartLayout LayoutAncestors(TGDatabase& db, CodeID root, AncestorStyle style, int generations,
                            const ChartTextMeasure& measure);

// The descendants of `root` over `generations` generations, numbered in
// `numbering`, with their spouses.
ChartLayout LayoutDescendants(TGDatabase& db, CodeID root, DescendantNumbering numbering, int generations,
                              const ChartTextMeasure& measure);

}  // namespace genvora
