// ChartDrawing: a chart layout drawn with cairo and pango into an SVG, PDF or
// PNG file, the format chosen by the file's extension.
//
// The file is written under a temporary name beside it and renamed when
// complete, so a failed drawing leaves nothing behind and never a half file.
#pragma once
#include <optional>
#include <string>

#include "charts/ChartLayout.h"

namespace genvora {

enum class ChartFormat { Svg, Pdf, Png };

// The format of `path` by its extension (any case); none for another.
std::optional<ChartFormat> ChartFormatOf(const std::string& path);

// Text measured as pango lays it out in the font the drawings use.
class PangoTextMeasure : public ChartTextMeasure {
 public:
  PangoTextMeasure();
  ~PangoTextMeasure() override;
  PangoTextMeasure(const PangoTextMeasure&) = delete;
  PangoTextMeasure& operator=(const PangoTextMeasure&) = delete;
  double Width(const std::string& utf8, double fontSize) const override;

 private:
  struct State;
  State* state_;
};

// Draws `layout` into `path`. A PDF is one A4 landscape page with the chart
// scaled to fit it. False, with `reason`, when the file cannot be written.
bool DrawChart(const ChartLayout& layout, const std::string& path, ChartFormat format, std::string& reason);

}  // namespace genvora
