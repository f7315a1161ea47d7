#include "records/TV5EventList.h"

#include <array>
#include <string_view>

#include "platform/Preferences.h"
#include "platform/Resources.h"

namespace genvora {

namespace {

constexpr EventKind kInd = EventKind::Individual;
constexpr EventKind kUni = EventKind::Union;

struct Row {
  int code;
  EventTypeInfo info;
};

// The named types; every other code of the individual range is an
// individual type without name, symbol or index.
constexpr Row kRows[] = {
    {0, {"G5vclstrings.evIBAPLL", "G5vclstrings.evIBAPLS", false, kInd, false, -1, true, 0}},
    {1, {"G5vclstrings.evIBAPML", "G5vclstrings.evIBAPMS", false, kInd, false, -1, false, 1}},
    {2, {"G5vclstrings.evIBARML", "G5vclstrings.evIBARMS", false, kInd, false, -1, false, 2}},
    {3, {"G5vclstrings.evIBASML", "G5vclstrings.evIBASMS", false, kInd, false, -1, false, 3}},
    {4, {"G5vclstrings.evIBIRTL", "G5vclstrings.evIBIRTS", false, kInd, true, 44, false, 4}},
    {5, {"G5vclstrings.evIBLESL", "G5vclstrings.evIBLESS", false, kInd, false, -1, false, 5}},
    {6, {"G5vclstrings.evIBURIL", "G5vclstrings.evIBURIS", false, kInd, true, 47, false, 6}},
    {7, {"G5vclstrings.evICENSL", "G5vclstrings.evICENSS", false, kInd, false, -1, false, 7}},
    {8, {"G5vclstrings.evICHRL", "G5vclstrings.evICHRS", false, kInd, true, 45, false, 8}},
    {9, {"G5vclstrings.evICHRAL", "G5vclstrings.evICHRAS", false, kInd, false, -1, false, 9}},
    {10, {"G5vclstrings.evICONFL", "G5vclstrings.evICONFS", false, kInd, false, -1, false, 10}},
    {11, {"G5vclstrings.evICONLL", "G5vclstrings.evICONLS", false, kInd, false, -1, true, 11}},
    {12, {"G5vclstrings.evIDEATL", "G5vclstrings.evIDEATS", false, kInd, true, 46, false, 12}},
    {13, {"G5vclstrings.evIEMIGL", "G5vclstrings.evIEMIGS", false, kInd, false, -1, false, 13}},
    {14, {"G5vclstrings.evIENDLL", "G5vclstrings.evIENDLS", false, kInd, false, -1, true, 14}},
    {15, {"G5vclstrings.evIEVENL", "G5vclstrings.evIEVENS", false, kInd, false, -1, false, 50}},
    {16, {"G5vclstrings.evIGRADL", "G5vclstrings.evIGRADS", false, kInd, false, -1, false, 15}},
    {17, {"G5vclstrings.evIIMMIL", "G5vclstrings.evIIMMIS", false, kInd, false, -1, false, 16}},
    {18, {"G5vclstrings.evINATUL", "G5vclstrings.evINATUS", false, kInd, false, -1, false, 17}},
    {19, {"G5vclstrings.evIORDNL", "G5vclstrings.evIORDNS", false, kInd, false, -1, false, 18}},
    {20, {"G5vclstrings.evIPROBL", "G5vclstrings.evIPROBS", false, kInd, false, -1, false, 19}},
    {21, {"G5vclstrings.evIRETIL", "G5vclstrings.evIRETIS", false, kInd, false, -1, false, 20}},
    {22, {"G5vclstrings.evISLGCL", "G5vclstrings.evISLGCS", false, kInd, false, -1, true, 21}},
    {23, {"G5vclstrings.evIOCCUL", "G5vclstrings.evIOCCUS", false, kInd, false, -1, false, 22}},
    {24, {"G5vclstrings.evIACQUL", "G5vclstrings.evIACQUS", false, kInd, false, -1, false, 23}},
    {25, {"G5vclstrings.evIDECOL", "G5vclstrings.evIDECOS", false, kInd, false, -1, false, 24}},
    {26, {"G5vclstrings.evIENVIEL", "G5vclstrings.evIENVIES", false, kInd, false, -1, false, 25}},
    {27, {"G5vclstrings.evIMILITL", "G5vclstrings.evIMILITS", false, kInd, false, -1, false, 26}},
    {28, {"G5vclstrings.evIVENTEL", "G5vclstrings.evIVENTES", false, kInd, false, -1, false, 27}},
    {29, {"G5vclstrings.evIVOYAGEL", "G5vclstrings.evIVOYAGES", false, kInd, false, -1, false, 28}},
    {30, {"G5vclstrings.evIRESIL", "G5vclstrings.evIRESIS", false, kInd, false, -1, false, 29}},
    {31, {"G5vclstrings.evIWILLL", "G5vclstrings.evIWILLS", false, kInd, false, -1, false, 30}},
    {32, {"G5vclstrings.evIFCOML", "G5vclstrings.evIFCOMS", false, kInd, false, -1, false, 31}},
    {33, {"G5vclstrings.evITITLL", "G5vclstrings.evITITLS", false, kInd, false, -1, false, 32}},
    {34, {"G5vclstrings.evIADOPL", "G5vclstrings.evIADOPS", false, kInd, false, -1, false, 33}},
    {35, {"G5vclstrings.evICREML", "G5vclstrings.evICREMS", false, kInd, false, -1, false, 34}},
    {38, {"G5vclstrings.eviPOSTMORTEM", "G5vclstrings.eviPOSTMORTEM", false, kInd, false, -1, false, 51}},
    {39, {"G15str.evpReunionFamille", "G15str.evpReunionFamille", false, kInd, false, -1, false, 52}},
    {54, {"G5vclstrings.evUDIVL", "G5vclstrings.evUDIVS", false, kUni, false, -1, false, 35}},
    {55, {"G5vclstrings.evUDIVFL", "G5vclstrings.evUDIVFS", false, kUni, false, -1, false, 36}},
    {56, {"G5vclstrings.evUENGAL", "G5vclstrings.evUENGAS", false, kUni, false, -1, false, 37}},
    // The family event shares the individual event's symbol.
    {57, {"G5vclstrings.evUEVENL", "G5vclstrings.evIEVENS", false, kUni, false, -1, false, 38}},
    {58, {"G5vclstrings.evUMARBL", "G5vclstrings.evUMARBS", false, kUni, false, -1, false, 39}},
    {59, {"G5vclstrings.evUMARCL", "G5vclstrings.evUMARCS", false, kUni, true, 50, false, 40}},
    {60, {"G5vclstrings.evUMARLL", "G5vclstrings.evUMARLS", false, kUni, false, -1, false, 41}},
    {61, {"G5vclstrings.evUMARRL", "G5vclstrings.evUMARRS", false, kUni, true, 48, false, 42}},
    {62, {"G5vclstrings.evUMARSL", "G5vclstrings.evUMARSS", false, kUni, false, -1, false, 43}},
    {63, {"G5vclstrings.evUSLGSL", "G5vclstrings.evUSLGSS", false, kUni, false, -1, true, 44}},
    {64, {"G5vclstrings.evURESIL", "G5vclstrings.evURESIS", false, kUni, false, -1, false, 45}},
    {65, {"G5vclstrings.evUSEPL", "G5vclstrings.evUSEPS", false, kUni, false, -1, false, 46}},
    {66, {"G5vclstrings.evUADOPTL", "G5vclstrings.evUADOPTS", false, kUni, false, -1, false, 47}},
    {67, {"G5vclstrings.evUANNULL", "G5vclstrings.evUANNULS", false, kUni, false, -1, false, 48}},
    {68, {"G5vclstrings.evUMARRELL", "G5vclstrings.evUMARRELS", false, kUni, true, 49, false, 49}},
    // A major type without icon: the civil partnership came after the icons.
    {69, {"Locfiches._pacs", "xP", true, kUni, true, -1, false, -1}},
};

const std::array<EventTypeInfo, kNBEvenements>& Table() {
  static const auto table = [] {
    std::array<EventTypeInfo, kNBEvenements> t{};
    for (int code = 0; code < kNBEvenements; ++code) {
      t[static_cast<std::size_t>(code)] = EventTypeInfo{nullptr, nullptr, false, code < 54 ? kInd : kUni,
                                                        false, -1, false, -1};
    }
    for (const Row& row : kRows) t[static_cast<std::size_t>(row.code)] = row.info;
    return t;
  }();
  return table;
}

}  // namespace

const EventTypeInfo& GetEventTypeInfo(int type) {
  static const EventTypeInfo kNone{nullptr, nullptr, false, EventKind::None, false, -1, false, -1};
  if (type < 0 || type >= kNBEvenements) return kNone;
  return Table()[static_cast<std::size_t>(type)];
}

AnsiString GetTypeStr(TV5EventList type) {
  const EventTypeInfo& info = GetEventTypeInfo(type);
  return info.longName != nullptr ? LoadResString(info.longName) : AnsiString();
}

AnsiString GetSymboleType(TV5EventList type) {
  const EventTypeInfo& info = GetEventTypeInfo(type);
  if (info.symbol == nullptr) return {};
  return info.symbolLiteral ? AnsiString(info.symbol) : LoadResString(info.symbol);
}

bool EstEvenementMajeur(TV5EventList type) { return GetEventTypeInfo(type).major; }
bool IsIndiEvent(TV5EventList type) { return type < 54; }
bool IsUnionEvent(TV5EventList type) { return type >= 54 && type < kNBEvenements; }
bool IsLDSEvent(TV5EventList type) { return GetEventTypeInfo(type).lds; }
int GetIconIndex(TV5EventList type) { return GetEventTypeInfo(type).icon; }
int GetNBEvenements() { return kNBEvenements; }

bool IsEventInternationnalStr(TV5EventList type, const AnsiString& text) {
  const int index = GetEventTypeInfo(type).internationalIndex;
  const TPreferenceGenvora5* prefs = SharedPrefs();
  if (index < 0 || prefs == nullptr) return false;
  const auto slot = static_cast<std::size_t>(index);
  return (slot < prefs->EventNames1.size() && prefs->EventNames1[slot] == text) ||
         (slot < prefs->EventNames2.size() && prefs->EventNames2[slot] == text);
}

TV5EventList ConvertEventType98ToVersion5(int oldCode) {
  struct Pair {
    int oldCode;
    TV5EventList type;
  };
  // The older numbering: union types from 0, 500 and up for the marriages,
  // 1000 and up for individual facts, 5000 and up for the vital events.
  static constexpr Pair kPairs[] = {
      {0, evAucun},      {1, evUMARC},     {2, evUDIV},        {3, evURESI},     {4, evUENGA},
      {5, evUSEP},       {6, evUADOPT},    {7, evUANNUL},      {8, evUMARB},     {9, evUEVEN},
      {10, evUEVEN},     {500, evUMARR},   {501, evUMARREL},   {502, evAucun},   {1000, evIGRAD},
      {1001, evIRESI},   {1002, evIBURI},  {1003, evIOCCU},    {1004, evIWILL},  {1005, evIACQU},
      {1006, evIBARM},   {1007, evIDECO}, {1008, evIENVIE},   {1009, evIEVEN},  {1010, evIIMMI},
      {1011, evIFCOM},   {1012, evIRETI},  {1013, evIMILIT},   {1014, evITITL},  {1015, evIVENTE},
      {1016, evIVOYAGE}, {1017, evIEVEN},  {5000, evIBIRT},    {5001, evICHR},   {5002, evIDEAT},
      {5003, evAucun},
  };
  for (const Pair& p : kPairs) {
    if (p.oldCode == oldCode) return p.type;
  }
  return evAucun;
}

void GetOrderedEventList(std::vector<TV5EventList>& list, bool withLDS, typeEventGroupT group) {
  static constexpr TV5EventList kIndividualEn[] = {
      evIACQU, evIADOP, evICHR,  evIBAPM, evICHRA,  evIBARM,  evIBASM, evIBLES,          evICONF,
      evICREM, evIDEAT, evIDECO, evIRESI, evIGRAD,  evIEMIG,  evIENVIE, evIPOSTMORTEM,   evIEVEN,
      evIIMMI, evIBURI, evIPROB, evINATU, evIBIRT,  evIORDN,  evIFCOM, evIOCCU,          evIRETI,
      evICENS, evIREUNIONFAMILLE, evIMILIT, evIWILL, evITITL, evIVENTE, evIVOYAGE};
  static constexpr TV5EventList kIndividualOther[] = {
      evIACQU, evIADOP, evICHRA, evIBARM, evIBASM, evIBIRT, evIBLES, evIBURI,       evICENS,
      evICHR,  evICONF, evICREM, evIDEAT, evIDECO, evIEMIG, evIEVEN, evIREUNIONFAMILLE, evIFCOM,
      evIGRAD, evIIMMI, evIENVIE, evIMILIT, evINATU, evIOCCU, evIORDN, evIBAPM,     evIPOSTMORTEM,
      evIVENTE, evIPROB, evIRESI, evIRETI, evITITL, evIVOYAGE, evIWILL};
  static constexpr TV5EventList kIndividualLDS[] = {evICONL, evIENDL, evISLGC};
  static constexpr TV5EventList kUnionEn[] = {evUADOPT, evUANNUL, evUMARC, evUMARB, evUMARL, evUDIVF, evUDIV,
                                              evURESI,  evUEVEN,  evUENGA, evUMARR, evUMARREL, evUSEP, evUPACS};
  static constexpr TV5EventList kUnionOther[] = {evUADOPT, evUDIV,  evUENGA, evUEVEN, evURESI, evUDIVF, evUMARR,
                                                 evUANNUL, evUMARB, evUMARC, evUMARL, evUPACS, evUMARREL, evUSEP};
  // The language package names English "en-EN"; this one's own resource
  // says "EN".
  const AnsiString lang = LoadResString("Loclivres.LANG");
  const bool english = lang == "en-EN" || lang == "EN";
  if (group == tegAll || group == tegIndividu) {
    if (english) {
      list.insert(list.end(), std::begin(kIndividualEn), std::end(kIndividualEn));
    } else {
      list.insert(list.end(), std::begin(kIndividualOther), std::end(kIndividualOther));
    }
    if (withLDS) list.insert(list.end(), std::begin(kIndividualLDS), std::end(kIndividualLDS));
  }
  if (group == tegAll || group == tegUnion) {
    if (english) {
      list.insert(list.end(), std::begin(kUnionEn), std::end(kUnionEn));
    } else {
      list.insert(list.end(), std::begin(kUnionOther), std::end(kUnionOther));
    }
    if (withLDS) list.push_back(evUSLGS);
  }
}

}  // namespace genvora
