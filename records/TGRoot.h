// The base of every persisted record: its code, its creation and modification
// days, the two flags every record stores (Exportable, Griot), the way a
// record turns into bytes and back, and the way those bytes are kept in an
// indexed store under the record's code.
//
// Byte encoding shared by every record (all values little-endian):
//  - a record is the plain concatenation of its fields, no header, no tags,
//    no length prefix: the store knows the entry's length;
//  - numbers and flags take their in-memory width (1 byte for bools and
//    one-byte enumerations, 2 for two-byte sets, 4 for codes and days, 8 for
//    doubles);
//  - a text is its Windows-1252 bytes and one NUL; an empty text is one NUL.
//
// Invariants:
//  1. Encode writes exactly GetDataSize() bytes, checked after every write.
//  2. Decode reads the base fields unconditionally; each later group is read
//     only while bytes remain at its boundary, else it and every later group
//     take their defaults. A group that begins but ends inside its fields,
//     an entry shorter than the base fields and a text without its NUL are
//     damage: Decode raises and leaves the record as it was. Bytes left after
//     the last group are not: reading stops there, and stored files hold
//     entries longer than what was encoded (an event sized by its upper
//     bound), so refusing them would delete sound records.
//  3. Reading never changes the store: LitDans of a damaged entry answers
//     false, keeps the reason (LastDamage) and leaves the entry where it is,
//     for the forced open and the file controller to deal with. Removing it
//     here would re-enter the store's own upkeep (index removal compares
//     keys, which reads the record again) from inside a walk.
//  4. Codes handed to a record by a merge always go through the association
//     table first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ByteCursor.h"
#include "platform/Types.h"

namespace genvora {

class LXArray;
class TListeAssociation;

// Fields every concrete record keeps. They live in the concrete record (each
// class stores them in its own layout); the base reaches them through Root().
struct TGRootFields {
  CodeID codeID = 0;
  std::uint32_t dateCreation = 0;      // whole days of the date-time serial, 0 = unset
  std::uint32_t dateModification = 0;
  bool griot = false;
  bool exportable = false;
};

class TGRoot {
 public:
  TGRoot();
  virtual ~TGRoot();
  TGRoot(const TGRoot&) = default;
  TGRoot& operator=(const TGRoot&) = default;

  virtual void SetExportable(bool value);
  virtual bool GetExportable() const;
  virtual void SetGriot(bool value);
  virtual bool GetGriot() const;

  // Gives the fields their initial values; each concrete constructor calls
  // its own, since a base constructor cannot reach the derived one.
  virtual void EndInit() {}
  virtual void DoneInstance() {}

  // Fills the record from its stored bytes; raises EGenvoraError on damage
  // (invariant 2) and leaves the record unchanged then.
  virtual void Decode(const void* data, int size);
  // Writes the record into `buffer`; answers the count of bytes written, 0
  // when the buffer is smaller than GetDataSize().
  virtual int Encode(void* buffer, int size) const;

  virtual CodeID GetCodeID() const;
  virtual std::uint32_t GetDataSize() const;
  virtual void SetCodeID(CodeID code);

  // which = 0: creation day, 1: modification day.
  virtual std::uint32_t GetDateLT(int which) const;
  virtual void SetDateLT(int which, std::uint32_t day);
  virtual void SetDataSize(std::uint32_t) {}
  // The day as "d/m/yyyy" (day 0 is 30/12/1899).
  virtual AnsiString GetDateChaine(int which) const;
  virtual void SetModifyNow();
  virtual void SetCreatedNow();

  // Stores the encoded record under `codeID`; answers the position of the
  // code in the store's code list, 0 when nothing was written.
  virtual std::int32_t EcritDans(CodeID codeID, LXArray* store);
  // Reads the record stored under `codeID`; false when absent or damaged,
  // the store unchanged either way (invariant 3).
  virtual bool LitDans(CodeID codeID, LXArray* store);
  // Why the last LitDans answered false for a stored entry (Windows-1252, as
  // every engine text); empty when it succeeded or the code was absent.
  const std::string& LastDamage() const { return lastDamage_; }
  // Removing records is the tables' business.
  virtual void EffaceDe(CodeID codeID, LXArray* store);

  // The base merge: a record without code takes the code the table maps the
  // other's code to.
  virtual void Fusionne(TGRoot* other, TListeAssociation* codes);

  // Setter of the two date-text properties; they cannot be set.
  virtual void SetText(int which, const AnsiString& value);

  // The encoded bytes as a string (tests, tools).
  std::string EncodeToString() const;
  // The exact number of bytes the encoder writes. It is GetDataSize() for
  // every record but those whose published size is only an upper bound.
  virtual std::uint32_t EncodedSize() const { return GetDataSize(); }

  bool GetStampOnWrite() const { return stampOnWrite_; }
  void SetStampOnWrite(bool stamp) { stampOnWrite_ = stamp; }

  // ---- Encoding primitives, shared by every record ----
  // The stored width of a text: its bytes up to a NUL, and the NUL.
  static std::uint32_t TextSize(std::string_view text);
  // True when the reader still has bytes at this group boundary; a group
  // that then ends early makes the reader fail (damage, not a short layout).
  static bool GroupPresent(const ByteReader& reader) { return reader.Ok() && !reader.AtEnd(); }

  // The code `code` of another file maps to, 0 when unmapped or no table.
  static CodeID Translate(TListeAssociation* codes, CodeID code);

  // Formats a day of the date-time serial as "d/m/yyyy"; with a fraction
  // and `withTime`, " hh:mm:ss" follows.
  static AnsiString FormatSerial(double serial, bool withTime);

 protected:
  // The shared fields of the concrete record; null in the base itself, which
  // then refuses every property.
  virtual TGRootFields* Root() { return nullptr; }
  virtual const TGRootFields* Root() const { return nullptr; }

  // One writer and one reader per concrete record, both walking the
  // record's single layout description (records/RecordLayout.h), which its
  // GetDataSize() walks too. The reader decodes into a fresh set of fields
  // (every field at its default, so absent groups take their defaults) and
  // adopts them only when EndOfRecord() agrees.
  virtual void WriteFields(ByteWriter& writer) const;
  virtual void ReadFields(ByteReader& reader);
  // True when the reader met no damage. Bytes after the last group known to
  // this release are ignored: stored entries may be longer than their fields.
  static bool EndOfRecord(ByteReader& reader);

  TGRootFields& RootOrThrow();
  const TGRootFields& RootOrThrow() const;

 private:
  bool stampOnWrite_ = true;
  std::string lastDamage_;
};

}  // namespace genvora
