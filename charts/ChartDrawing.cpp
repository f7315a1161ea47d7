#include "charts/ChartDrawing.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <pango/pangocairo.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <system_error>

namespace genvora {

namespace {

constexpr const char* kFontFamily = "DejaVu Sans";
constexpr double kLineFactor = 1.25;  // as the layout reckons it
constexpr double kA4Long = 841.89, kA4Short = 595.28;
constexpr double kPngMaxSide = 8000;

PangoFontDescription* FontOf(double size) {
  PangoFontDescription* font = pango_font_description_new();
  pango_font_description_set_family(font, kFontFamily);
  pango_font_description_set_absolute_size(font, size * PANGO_SCALE);
  return font;
}

// Metrics unhinted, so that a text measures the same on every surface.
void SetUnhinted(PangoContext* context) {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
}

void DrawText(cairo_t* cr, PangoLayout* layout, const ChartText& text) {
  if (text.lines.empty()) return;
  PangoFontDescription* font = FontOf(text.fontSize);
  pango_layout_set_font_description(layout, font);
  pango_font_description_free(font);
  pango_layout_set_width(layout, static_cast<int>(text.width * PANGO_SCALE));
  pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
  pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
  const double line = text.fontSize * kLineFactor;
  const double block = line * static_cast<double>(text.lines.size());
  cairo_save(cr);
  cairo_translate(cr, text.cx, text.cy);
  cairo_rotate(cr, text.angle);
  for (std::size_t i = 0; i < text.lines.size(); ++i) {
    pango_layout_set_text(layout, text.lines[i].c_str(), -1);
    int w = 0, h = 0;
    pango_layout_get_size(layout, &w, &h);
    const double y = -block / 2 + static_cast<double>(i) * line + (line - h / double(PANGO_SCALE)) / 2;
    cairo_move_to(cr, -text.width / 2, y);
    pango_cairo_show_layout(cr, layout);
  }
  cairo_restore(cr);
}

struct Colour {
  double r, g, b;
};
constexpr Colour kPerson{0.86, 0.91, 0.97}, kImplex{0.99, 0.87, 0.70}, kSpouse{0.93, 0.93, 0.93}, kEmpty{1, 1, 1},
    kInk{0.15, 0.15, 0.2};

void Fill(cairo_t* cr, const Colour& c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

// Fills the current path and outlines it, dashed for an unknown person.
void Paint(cairo_t* cr, const Colour& c, bool dashed) {
  static const double dash[] = {3, 3};
  Fill(cr, c);
  cairo_fill_preserve(cr);
  cairo_set_dash(cr, dash, dashed ? 2 : 0, 0);
  Fill(cr, kInk);
  cairo_stroke(cr);
  cairo_set_dash(cr, dash, 0, 0);
}

void DrawLayout(cairo_t* cr, const ChartLayout& chart) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  SetUnhinted(pango_layout_get_context(layout));
  pango_layout_context_changed(layout);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_line_width(cr, 0.8);
  Fill(cr, kInk);
  for (const ChartLine& l : chart.lines) {
    cairo_move_to(cr, l.x0, l.y0);
    cairo_line_to(cr, l.x1, l.y1);
  }
  cairo_stroke(cr);
  for (const ChartBox& b : chart.boxes) {
    cairo_rectangle(cr, b.x, b.y, b.width, b.height);
    Paint(cr, b.code == 0 ? kEmpty : b.implex ? kImplex : b.spouse ? kSpouse : kPerson, b.code == 0);
    DrawText(cr, layout, b.text);
  }
  for (const ChartSector& s : chart.sectors) {
    cairo_new_path(cr);
    // On the page y runs downwards, so the circle's anticlockwise angles
    // are cairo's negated ones.
    cairo_arc(cr, s.cx, s.cy, s.r1, -s.a0, -s.a1);
    if (s.r0 > 0)
      cairo_arc_negative(cr, s.cx, s.cy, s.r0, -s.a1, -s.a0);
    else
      cairo_line_to(cr, s.cx, s.cy);
    cairo_close_path(cr);
    Paint(cr, s.code == 0 ? kEmpty : s.implex ? kImplex : kPerson, s.code == 0);
    DrawText(cr, layout, s.text);
  }
  if (!chart.title.empty()) {
    Fill(cr, kInk);
    ChartText title{chart.width / 2, 24 + chart.titleSize, chart.width - 48, chart.titleSize * 2, 0, chart.titleSize,
                    {chart.title}};
    DrawText(cr, layout, title);
  }
  g_object_unref(layout);
}

bool EndsWith(const std::string& s, const char* tail) {
  const std::string t(tail);
  if (s.size() < t.size()) return false;
  return std::equal(t.rbegin(), t.rend(), s.rbegin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
}

}  // namespace

struct PangoTextMeasure::State {
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  PangoLayout* layout = nullptr;
  double size = 0;
};

PangoTextMeasure::PangoTextMeasure() : state_(new State) {
  state_->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  state_->cr = cairo_create(state_->surface);
  state_->layout = pango_cairo_create_layout(state_->cr);
  SetUnhinted(pango_layout_get_context(state_->layout));
  pango_layout_context_changed(state_->layout);
}

PangoTextMeasure::~PangoTextMeasure() {
  g_object_unref(state_->layout);
  cairo_destroy(state_->cr);
  cairo_surface_destroy(state_->surface);
  delete state_;
}

double PangoTextMeasure::Width(const std::string& utf8, double fontSize) const {
  if (fontSize != state_->size) {
    PangoFontDescription* font = FontOf(fontSize);
    pango_layout_set_font_description(state_->layout, font);
    pango_font_description_free(font);
    state_->size = fontSize;
  }
  pango_layout_set_text(state_->layout, utf8.c_str(), static_cast<int>(utf8.size()));
  PangoRectangle ink, logical;
  pango_layout_get_extents(state_->layout, &ink, &logical);
  return logical.width / double(PANGO_SCALE);
}

std::optional<ChartFormat> ChartFormatOf(const std::string& path) {
  if (EndsWith(path, ".svg")) return ChartFormat::Svg;
  if (EndsWith(path, ".pdf")) return ChartFormat::Pdf;
  if (EndsWith(path, ".png")) return ChartFormat::Png;
  return std::nullopt;
}

bool DrawChart(const ChartLayout& layout, const std::string& path, ChartFormat format, std::string& reason) {
  // Beside the output (one file system for the rename), named after this
  // process so that no file of the user's is taken for it.
  const std::string partial = path + ".partial-" + std::to_string(static_cast<long>(getpid()));
  cairo_surface_t* surface = nullptr;
  double scale = 1, dx = 0, dy = 0;
  double pageW = layout.width, pageH = layout.height;
  switch (format) {
    case ChartFormat::Svg:
      surface = cairo_svg_surface_create(partial.c_str(), pageW, pageH);
      break;
    case ChartFormat::Pdf:
      pageW = kA4Long;
      pageH = kA4Short;
      scale = std::min((pageW - 36) / layout.width, (pageH - 36) / layout.height);
      dx = (pageW - layout.width * scale) / 2;
      dy = (pageH - layout.height * scale) / 2;
      surface = cairo_pdf_surface_create(partial.c_str(), pageW, pageH);
      break;
    case ChartFormat::Png:
      scale = std::min(2.0, kPngMaxSide / std::max(layout.width, layout.height));
      pageW = std::ceil(layout.width * scale);
      pageH = std::ceil(layout.height * scale);
      surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(pageW), static_cast<int>(pageH));
      break;
  }
  std::error_code ignored;
  auto fail = [&](const std::string& why) {
    reason = why;
    std::filesystem::remove(partial, ignored);
    return false;
  };
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    const std::string why = cairo_status_to_string(cairo_surface_status(surface));
    cairo_surface_destroy(surface);
    return fail("cannot be written: " + why);
  }
  cairo_t* cr = cairo_create(surface);
  if (format == ChartFormat::Pdf) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
  }
  cairo_translate(cr, dx, dy);
  cairo_scale(cr, scale, scale);
  DrawLayout(cr, layout);
  cairo_status_t status = cairo_status(cr);
  cairo_destroy(cr);
  if (status == CAIRO_STATUS_SUCCESS && format == ChartFormat::Png)
    status = cairo_surface_write_to_png(surface, partial.c_str());
  cairo_surface_finish(surface);
  if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) return fail(std::string("cannot be written: ") + cairo_status_to_string(status));
  std::error_code error;
  std::filesystem::rename(partial, path, error);
  if (error) return fail("cannot be written: " + error.message());
  return true;
}

}  // namespace genvora
