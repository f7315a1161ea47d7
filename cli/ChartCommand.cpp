// genvora chart FILE CODE --ancestors|--descendants -o OUT: a person's
// ancestors as a pedigree or a fan, or its descendants as a descendancy
// chart, drawn into OUT as SVG, PDF or PNG by its extension.
//
// The words of the chart follow the language in force. The file is opened
// read-only; OUT appears only when the drawing is complete.
#include <memory>
#include <string>

#include "charts/ChartDrawing.h"
#include "charts/ChartLayout.h"
#include "cli/Commands.h"
#include "cli/DatabaseSupport.h"

namespace genvora::cli {

namespace {

struct Options {
  std::string path;
  CodeID code = 0;
  bool ancestors = false;
  bool descendants = false;
  std::string style = "tree";
  int generations = 5;
  std::string numbering = "pelissier";
  std::string output;
};

int Run(const Options& o) {
  const std::optional<ChartFormat> format = ChartFormatOf(o.output);
  std::unique_ptr<TGDatabaseSosa> db = OpenPersonForReading(o.path, o.code);
  if (db == nullptr) return kExitFailure;
  ToolHost host;
  PangoTextMeasure measure;
  const ChartLayout layout =
      o.ancestors ? LayoutAncestors(*db, o.code, o.style == "fan" ? AncestorStyle::Fan : AncestorStyle::Tree,
                                    o.generations, measure)
                  : LayoutDescendants(*db, o.code,
                                      o.numbering == "aboville" ? DescendantNumbering::Aboville
                                                                : DescendantNumbering::Pelissier,
                                      o.generations, measure);
  std::string reason;
  if (!DrawChart(layout, o.output, *format, reason)) {
    PrintError(o.output, reason);
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace

void RegisterChartCommand(CLI::App& app) {
  auto options = std::make_shared<Options>();
  CLI::App* cmd = app.add_subcommand("chart", "Draw a person's ancestors or descendants as SVG, PDF or PNG");
  cmd->add_option("FILE", options->path, "The database file")->required();
  cmd->add_option("CODE", options->code, "Code of the person")->required();
  CLI::Option* up = cmd->add_flag("--ancestors", options->ancestors, "Chart the ancestors, with Sosa numbers");
  CLI::Option* down =
      cmd->add_flag("--descendants", options->descendants, "Chart the descendants and their spouses")->excludes(up);
  cmd->add_option("--style", options->style, "Ancestors as a pedigree tree (the default) or a half-circle fan")
      ->check(CLI::IsMember({"tree", "fan"}))
      ->excludes(down);
  cmd->add_option("--generations", options->generations, "Generations shown, the person's own counted (default 5)")
      ->check(CLI::Range(1, 12));
  cmd->add_option("--numbering", options->numbering, "Descendants numbered pelissier (the default) or aboville")
      ->check(CLI::IsMember({"pelissier", "aboville"}))
      ->excludes(up);
  cmd->add_option("-o,--output", options->output, "The picture: OUT.svg, OUT.pdf or OUT.png")
      ->required()
      ->check(CLI::Validator(
          [](std::string& value) -> std::string {
            return ChartFormatOf(value) ? std::string() : "the output must end in .svg, .pdf or .png: " + value;
          },
          "OUT.svg|OUT.pdf|OUT.png"));
  cmd->callback([options, up, down] {
    if (up->count() == 0 && down->count() == 0) throw CLI::RequiredError("--ancestors or --descendants");
    int status = Run(*options);
    if (status != kExitOk) throw ExitRequest{status};
  });
}

}  // namespace genvora::cli
