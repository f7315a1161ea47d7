// Event types: the one-byte type code of an event, its names, its symbol and
// its classification, the conversion of the older type numbering and the
// ordered lists of types offered to the user.
//
// Type codes are on-disk values and never change: codes below 54 belong to
// individuals, 54 to 84 to unions; 85 codes in all (70 to 84 are unused).
// Names and symbols are resource strings, so they follow the language in
// force; a code without a name prints as an empty text.
//
// Invariants:
//  1. The type table is the only source of names, symbols, kinds, icons, LDS
//     ordinances and international indexes; every query reads it.
//  2. Codes outside the table (85 and above) have no name, no symbol, no
//     icon, are neither individual nor union types and are never major.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Types.h"

namespace genvora {

// On-disk type codes; the names follow the resource identifiers of the long
// names (evIBIRT -> G5vclstrings.evIBIRTL).
enum TV5EventList : std::uint8_t {
  evIBAPL = 0, evIBAPM = 1, evIBARM = 2, evIBASM = 3, evIBIRT = 4, evIBLES = 5, evIBURI = 6, evICENS = 7,
  evICHR = 8, evICHRA = 9, evICONF = 10, evICONL = 11, evIDEAT = 12, evIEMIG = 13, evIENDL = 14, evIEVEN = 15,
  evIGRAD = 16, evIIMMI = 17, evINATU = 18, evIORDN = 19, evIPROB = 20, evIRETI = 21, evISLGC = 22,
  evIOCCU = 23, evIACQU = 24, evIDECO = 25, evIENVIE = 26, evIMILIT = 27, evIVENTE = 28, evIVOYAGE = 29,
  evIRESI = 30, evIWILL = 31, evIFCOM = 32, evITITL = 33, evIADOP = 34, evICREM = 35,
  evIPOSTMORTEM = 38, evIREUNIONFAMILLE = 39,
  evAucun = 53,  // a new event's type: no type chosen
  evUDIV = 54, evUDIVF = 55, evUENGA = 56, evUEVEN = 57, evUMARB = 58, evUMARC = 59, evUMARL = 60,
  evUMARR = 61, evUMARS = 62, evUSLGS = 63, evURESI = 64, evUSEP = 65, evUADOPT = 66, evUANNUL = 67,
  evUMARREL = 68, evUPACS = 69,
};

// Groups of GetOrderedEventList.
enum typeEventGroupT : std::uint8_t { tegAll = 0, tegIndividu = 1, tegUnion = 2 };

enum class EventKind : std::uint8_t { None, Individual, Union };

// One row of the type table.
struct EventTypeInfo {
  const char* longName;   // resource key, null = none
  const char* symbol;     // resource key (or literal text when symbolLiteral), null = none
  bool symbolLiteral;
  EventKind kind;
  bool major;
  int icon;               // image index of a major type, -1 = none
  bool lds;
  int internationalIndex;  // index in the preferences' event-name lists, -1 = none
};

constexpr int kNBEvenements = 85;

// The row of `type`; a row with every field empty for a code outside it.
const EventTypeInfo& GetEventTypeInfo(int type);

AnsiString GetTypeStr(TV5EventList type);
// The symbol of the type; empty when it has none.
AnsiString GetSymboleType(TV5EventList type);
bool EstEvenementMajeur(TV5EventList type);
bool IsIndiEvent(TV5EventList type);
bool IsUnionEvent(TV5EventList type);
bool IsLDSEvent(TV5EventList type);
int GetIconIndex(TV5EventList type);
int GetNBEvenements();
// True when `text` is the standard name of `type` in one of the two event
// name lists of the preferences; false without preferences.
bool IsEventInternationnalStr(TV5EventList type, const AnsiString& text);

// The type of the older numbering's code; 53 for any code it did not have.
TV5EventList ConvertEventType98ToVersion5(int oldCode);

// Appends the types offered to the user, in the order of the language in
// force; LDS ordinances only when asked.
void GetOrderedEventList(std::vector<TV5EventList>& list, bool withLDS, typeEventGroupT group);

}  // namespace genvora
