#include "records/TGRoot.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "containers/LXArray.h"
#include "containers/TListeAssociation.h"
#include "platform/Exception.h"
#include "platform/System.h"


namespace genvora {

namespace {

// Civil date of a count of days since 1 January 1970 (proleptic Gregorian).
// Valid for the whole range of a 32-bit day count.
void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);               // [0, 146096]
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // [0, 399]
  y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);  // [0, 365]
  const unsigned mp = (5 * doy + 2) / 153;                        // [0, 11], March first
  d = doy - (153 * mp + 2) / 5 + 1;                               // [1, 31]
  m = mp < 10 ? mp + 3 : mp - 9;                                  // [1, 12]
  if (m <= 2) ++y;
}

// Day 0 of the date-time serial (30 December 1899) counted from 1970.
constexpr std::int64_t kSerialEpochFrom1970 = -25569;

}  // namespace

TGRoot::TGRoot() = default;
TGRoot::~TGRoot() = default;

TGRootFields& TGRoot::RootOrThrow() {
  TGRootFields* root = Root();
  if (root == nullptr) throw EGenvoraError("G5vclstrings.RootsPropertiesDenied");
  return *root;
}

const TGRootFields& TGRoot::RootOrThrow() const {
  const TGRootFields* root = Root();
  if (root == nullptr) throw EGenvoraError("G5vclstrings.RootsPropertiesDenied");
  return *root;
}

// The two flags have no behaviour of their own: a base object without fields
// simply has none to report.
void TGRoot::SetExportable(bool value) {
  if (TGRootFields* root = Root()) root->exportable = value;
}
bool TGRoot::GetExportable() const {
  const TGRootFields* root = Root();
  return root != nullptr && root->exportable;
}
void TGRoot::SetGriot(bool value) {
  if (TGRootFields* root = Root()) root->griot = value;
}
bool TGRoot::GetGriot() const {
  const TGRootFields* root = Root();
  return root != nullptr && root->griot;
}

CodeID TGRoot::GetCodeID() const { return RootOrThrow().codeID; }
void TGRoot::SetCodeID(CodeID code) { RootOrThrow().codeID = code; }

std::uint32_t TGRoot::GetDateLT(int which) const {
  const TGRootFields& root = RootOrThrow();
  return which == 0 ? root.dateCreation : root.dateModification;
}

void TGRoot::SetDateLT(int which, std::uint32_t day) {
  TGRootFields& root = RootOrThrow();
  (which == 0 ? root.dateCreation : root.dateModification) = day;
}

AnsiString TGRoot::GetDateChaine(int which) const { return FormatSerial(GetDateLT(which), false); }

void TGRoot::SetModifyNow() { SetDateLT(1, TodaySerial()); }
void TGRoot::SetCreatedNow() { SetDateLT(0, TodaySerial()); }

void TGRoot::SetText(int, const AnsiString&) {}

std::uint32_t TGRoot::GetDataSize() const { throw EGenvoraError("G5vclstrings.RootsPropertiesDenied"); }

void TGRoot::WriteFields(ByteWriter&) const { throw EGenvoraError("G5vclstrings.RootsConvertDenied"); }
void TGRoot::ReadFields(ByteReader&) { throw EGenvoraError("G5vclstrings.RootsConvertDenied"); }

std::uint32_t TGRoot::TextSize(std::string_view text) {
  const std::size_t nul = text.find('\0');
  return static_cast<std::uint32_t>((nul == std::string_view::npos ? text.size() : nul) + 1);
}

bool TGRoot::EndOfRecord(ByteReader& reader) {
  return reader.Ok();
}

std::string TGRoot::EncodeToString() const {
  const std::uint32_t expected = EncodedSize();
  std::string bytes;
  bytes.reserve(expected);
  ByteWriter writer(bytes);
  WriteFields(writer);
  // The store keeps exactly these bytes and the reader relies on their
  // length, so a writer and a size that disagree must never reach a file.
  if (bytes.size() != expected) {
    throw EGenvoraError::Plain("record encoding wrote " + std::to_string(bytes.size()) + " bytes instead of " +
                               std::to_string(expected));
  }
  return bytes;
}

int TGRoot::Encode(void* buffer, int size) const {
  std::string bytes = EncodeToString();
  if (size < 0 || static_cast<std::size_t>(size) < bytes.size()) return 0;
  if (!bytes.empty()) std::memcpy(buffer, bytes.data(), bytes.size());
  return static_cast<int>(bytes.size());
}

void TGRoot::Decode(const void* data, int size) {
  if (size < 0 || (data == nullptr && size != 0)) {
    throw EGenvoraError("G5vclstrings.RootsDecodeDamaged", "no bytes to decode");
  }
  ByteReader reader(data, static_cast<std::size_t>(size));
  ReadFields(reader);
  if (!reader.Ok()) {
    throw EGenvoraError("G5vclstrings.RootsDecodeDamaged",
                        "offset " + std::to_string(reader.Offset()) + ": " + reader.Reason());
  }
}

CodeID TGRoot::Translate(TListeAssociation* codes, CodeID code) {
  if (codes == nullptr || code == 0) return 0;
  return codes->GetDestination(code);
}

void TGRoot::Fusionne(TGRoot* other, TListeAssociation* codes) {
  if (other == nullptr) return;
  if (GetCodeID() == 0) SetCodeID(Translate(codes, other->GetCodeID()));
}

std::int32_t TGRoot::EcritDans(CodeID codeID, LXArray* store) {
  if (GetCodeID() == 0) SetCodeID(codeID);
  if (GetCodeID() != codeID) {
    throw EGenvoraError("G5vclstrings.RootsCodeIDMismatch",
                        std::to_string(GetCodeID()) + " / " + std::to_string(codeID));
  }
  if (stampOnWrite_) SetModifyNow();
  if (GetDateLT(0) == 0) SetCreatedNow();
  std::string bytes = EncodeToString();
  if (bytes.empty() || store == nullptr) return 0;
  return store->EcritData(codeID, bytes.data(), static_cast<unsigned>(bytes.size()));
}

bool TGRoot::LitDans(CodeID codeID, LXArray* store) {
  lastDamage_.clear();
  if (store == nullptr || store->GetCodeList() == nullptr) return false;
  // The code list tells an absent record from an empty one.
  const unsigned char* bytes = nullptr;
  unsigned stored = 0;
  if (!store->PeekData(codeID, bytes, stored)) return false;
  try {
    if (stored == 0) return true;
    if (stored > static_cast<unsigned>(INT32_MAX)) {
      throw EGenvoraError("G5vclstrings.RootsDecodeDamaged", "entry too large for a record");
    }
    // Decoded where it lies: the decoders only read their bytes, through a
    // cursor bounded by the size the store holds, never by anything inside
    // the record.
    Decode(bytes, static_cast<int>(stored));
    return true;
  } catch (const std::exception& e) {
    // The entry stays: this read may come from inside the store's own upkeep
    // (a comparator, a key, an index removal), which must not change it.
    lastDamage_ = ReasonOf(e);
    if (lastDamage_.empty()) lastDamage_ = "record cannot be decoded";
    return false;
  }
}

void TGRoot::EffaceDe(CodeID, LXArray*) { throw EGenvoraError("G5vclstrings.RootsIODenied"); }

AnsiString TGRoot::FormatSerial(double serial, bool withTime) {
  // A stamp read from a file may hold anything; outside years 1 to 9999 (and
  // for NaN) there is nothing sensible to show.
  if (!std::isfinite(serial) || serial < -693593.0 || serial > 2958466.0) return {};
  double wholeDays = std::trunc(serial);
  // Seconds of the day, rounded; a fraction that rounds to a whole day moves
  // to the next day. Negative serials carry their time as a positive
  // fraction after the (negative) whole day.
  auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(serial - wholeDays) * 86400.0));
  if (seconds >= 86400) {
    seconds -= 86400;
    wholeDays += serial < 0 ? -1.0 : 1.0;
  }
  std::int64_t year = 0;
  unsigned month = 0;
  unsigned day = 0;
  CivilFromDays(static_cast<std::int64_t>(wholeDays) + kSerialEpochFrom1970, year, month, day);
  char text[48];
  if (withTime) {
    std::snprintf(text, sizeof text, "%u/%u/%04lld %02d:%02d:%02d", day, month, static_cast<long long>(year),
                  static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                  static_cast<int>(seconds % 60));
  } else {
    std::snprintf(text, sizeof text, "%u/%u/%04lld", day, month, static_cast<long long>(year));
  }
  return text;
}

}  // namespace genvora
