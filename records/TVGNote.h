// A note: rich text kept compressed, with its plain text for searching and
// display, and the text older versions stored uncompressed.
//
// Byte layout (little-endian; text = Windows-1252 bytes and a NUL):
//
//   offset | size | field
//   -------+------+---------------------------------------------
//        0 |    4 | CodeID
//        4 |    4 | DateCreation (days)
//        8 |    4 | DateModification (days)
//       12 |    1 | private
//       13 |    1 | Exportable
//       14 |    1 | Griot
//       15 | text | stored text (the note as older versions kept it)
//                                       <- end of the base fields
//   each later group is read only while bytes remain:
//   group 2  . | text | plain text     (default: the stored text made plain)
//   group 3  . |    8 | compressed size (signed 64-bit)   (default 0)
//            . |    n | compressed rich text: a zlib stream (level 1)
//
// GetDataSize() = 25 + the lengths of the 2 texts + the compressed size.
//
// Invariants:
//  1. A compressed size that is negative or larger than the bytes left, or
//     a stream that does not inflate to its end, makes the entry damaged.
//  2. Inflating never produces more than kMaxInflateRatio times the
//     compressed size (the most deflate can reach), nor more than
//     kMaxNoteBytes; output grows with what the stream really holds.
#pragma once

#include <string>

#include "records/TGRoot.h"

namespace genvora {

class TVGNote : public TGRoot {
 public:
  static constexpr std::size_t kMaxInflateRatio = 1032;
  static constexpr std::size_t kMaxNoteBytes = 256u * 1024 * 1024;

  TVGNote();
  void EndInit() override;
  void zeroMemory();
  std::uint32_t GetDataSize() const override;

  // Sets code and privacy and the text (plain or RTF); the plain text
  // follows the text.
  void NewNote(CodeID code, const AnsiString& text, bool prive);
  // An RTF text ("{\rtf...") is kept compressed and leaves the plain text
  // as it was; any other text is the plain text and no compressed text.
  void SetNoteRTF(const AnsiString& text);
  // The rich text when there is one, else the plain text.
  AnsiString GetNoteRTF() const;
  AnsiString GetNote() const { return GetNoteRTF(); }
  const AnsiString& GetNoteTxt() const { return f_.plainText; }
  void AppendNote(const AnsiString& text);
  bool IsPrivee() const { return f_.prive; }
  void SetPrivee(bool on) { f_.prive = on; }
  void SetValues(CodeID code, std::uint32_t dateCreation, std::uint32_t dateModification, const AnsiString& text,
                 bool prive, bool exportable, bool griot, const AnsiString& plainText);

  const AnsiString& GetStoredText() const { return f_.storedText; }
  void SetStoredText(const AnsiString& text) { f_.storedText = text; }
  const std::string& GetCompressed() const { return f_.compressed; }

  // Inflates a zlib stream within the bounds above; false on a damaged or
  // oversized stream.
  static bool Inflate(std::string_view compressed, std::string& out);
  // A zlib stream at level 1.
  static std::string Deflate(std::string_view text);

  void Fusionne(TGRoot* other, TListeAssociation* codes) override;
  virtual void Fusionne(TVGNote* other, TListeAssociation* codes);

 protected:
  TGRootFields* Root() override { return &f_.root; }
  const TGRootFields* Root() const override { return &f_.root; }
  void WriteFields(ByteWriter& writer) const override;
  void ReadFields(ByteReader& reader) override;

 private:
  struct Fields {
    // The byte layout of the table above, stated once for the size, the
    // writer and the reader (records/RecordLayout.h).
    template <class W, class F>
    static void Layout(W& w, F& f);

    TGRootFields root;
    bool prive = false;
    AnsiString storedText;
    AnsiString plainText;
    std::string compressed;
  };
  Fields f_;
};

}  // namespace genvora
