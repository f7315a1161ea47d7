// The rich-text renderer the conversions of notes rely on, and a small RTF
// reader and writer that stands in for the host's.
//
// The document is a run of text pieces, each with its character style (bold,
// italic, underline); paragraphs are separated by CR LF inside the text, a
// tab is a tab. Reading keeps the text of RTF as common word processors
// write it: groups, control words with parameters, \'hh escapes
// (Windows-1252), \uN with its fallback characters (\ucN), \par, \line,
// \tab, and skips destinations that hold no text (font, colour and style
// tables, document information, pictures, \*\ groups).
//
// Invariants:
//  1. Any input is read without a crash or a read past its end: unbalanced
//     braces, truncated escapes or absurd parameters end the reading with
//     the text read so far.
//  2. Nesting depth costs heap, never call stack.
//  3. SaveRtf() of a document read back with LoadFromStream() gives the same
//     text and styles.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

namespace genvora {

class IRtfRenderer {
 public:
  virtual ~IRtfRenderer() = default;
  virtual void Clear() = 0;
  virtual void DeleteUnusedStyles() = 0;
  // Replaces the document by `bytes`: RTF when they begin with "{\rtf",
  // plain text otherwise.
  virtual void LoadFromStream(std::string_view bytes) = 0;
  // Appends an RTF text as new paragraphs after the document's.
  virtual void AppendRtf(std::string_view rtf) = 0;
  virtual std::string SaveRtf() const = 0;
  // The document's text, paragraphs separated by CR LF.
  virtual AnsiString GetAllText() const = 0;
};

class TRtfDocument : public IRtfRenderer {
 public:
  enum Style : std::uint8_t { kBold = 1, kItalic = 2, kUnderline = 4 };
  struct Run {
    AnsiString text;
    std::uint8_t style = 0;
  };

  void Clear() override { runs_.clear(); }
  void DeleteUnusedStyles() override {}
  void LoadFromStream(std::string_view bytes) override;
  void AppendRtf(std::string_view rtf) override;
  std::string SaveRtf() const override;
  AnsiString GetAllText() const override;

  const std::vector<Run>& Runs() const { return runs_; }

 private:
  void AppendText(std::string_view text, std::uint8_t style);
  void AppendParagraphBreak();
  std::vector<Run> runs_;
};

// Reads RTF into runs (the text of each with its style). Exposed for tests.
std::vector<TRtfDocument::Run> ReadRtf(std::string_view rtf);

}  // namespace genvora
