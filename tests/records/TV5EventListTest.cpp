#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/Preferences.h"
#include "platform/Resources.h"
#include "records/TV5EventList.h"

namespace genvora {
namespace {

struct ExpectedType {
  int code;
  const char* longName;  // resource key; null = none
  const char* symbol;    // resource key, or the literal for 69; null = none
  char kind;             // 'I' individual, 'U' union
  int icon;              // -1: not major (69 is major without icon, checked apart)
  bool lds;
  int intl;
};

// The whole type table, as the program's users know it.
const ExpectedType kTable[] = {
    {0, "G5vclstrings.evIBAPLL", "G5vclstrings.evIBAPLS", 'I', -1, true, 0},
    {1, "G5vclstrings.evIBAPML", "G5vclstrings.evIBAPMS", 'I', -1, false, 1},
    {2, "G5vclstrings.evIBARML", "G5vclstrings.evIBARMS", 'I', -1, false, 2},
    {3, "G5vclstrings.evIBASML", "G5vclstrings.evIBASMS", 'I', -1, false, 3},
    {4, "G5vclstrings.evIBIRTL", "G5vclstrings.evIBIRTS", 'I', 44, false, 4},
    {5, "G5vclstrings.evIBLESL", "G5vclstrings.evIBLESS", 'I', -1, false, 5},
    {6, "G5vclstrings.evIBURIL", "G5vclstrings.evIBURIS", 'I', 47, false, 6},
    {7, "G5vclstrings.evICENSL", "G5vclstrings.evICENSS", 'I', -1, false, 7},
    {8, "G5vclstrings.evICHRL", "G5vclstrings.evICHRS", 'I', 45, false, 8},
    {9, "G5vclstrings.evICHRAL", "G5vclstrings.evICHRAS", 'I', -1, false, 9},
    {10, "G5vclstrings.evICONFL", "G5vclstrings.evICONFS", 'I', -1, false, 10},
    {11, "G5vclstrings.evICONLL", "G5vclstrings.evICONLS", 'I', -1, true, 11},
    {12, "G5vclstrings.evIDEATL", "G5vclstrings.evIDEATS", 'I', 46, false, 12},
    {13, "G5vclstrings.evIEMIGL", "G5vclstrings.evIEMIGS", 'I', -1, false, 13},
    {14, "G5vclstrings.evIENDLL", "G5vclstrings.evIENDLS", 'I', -1, true, 14},
    {15, "G5vclstrings.evIEVENL", "G5vclstrings.evIEVENS", 'I', -1, false, 50},
    {16, "G5vclstrings.evIGRADL", "G5vclstrings.evIGRADS", 'I', -1, false, 15},
    {17, "G5vclstrings.evIIMMIL", "G5vclstrings.evIIMMIS", 'I', -1, false, 16},
    {18, "G5vclstrings.evINATUL", "G5vclstrings.evINATUS", 'I', -1, false, 17},
    {19, "G5vclstrings.evIORDNL", "G5vclstrings.evIORDNS", 'I', -1, false, 18},
    {20, "G5vclstrings.evIPROBL", "G5vclstrings.evIPROBS", 'I', -1, false, 19},
    {21, "G5vclstrings.evIRETIL", "G5vclstrings.evIRETIS", 'I', -1, false, 20},
    {22, "G5vclstrings.evISLGCL", "G5vclstrings.evISLGCS", 'I', -1, true, 21},
    {23, "G5vclstrings.evIOCCUL", "G5vclstrings.evIOCCUS", 'I', -1, false, 22},
    {24, "G5vclstrings.evIACQUL", "G5vclstrings.evIACQUS", 'I', -1, false, 23},
    {25, "G5vclstrings.evIDECOL", "G5vclstrings.evIDECOS", 'I', -1, false, 24},
    {26, "G5vclstrings.evIENVIEL", "G5vclstrings.evIENVIES", 'I', -1, false, 25},
    {27, "G5vclstrings.evIMILITL", "G5vclstrings.evIMILITS", 'I', -1, false, 26},
    {28, "G5vclstrings.evIVENTEL", "G5vclstrings.evIVENTES", 'I', -1, false, 27},
    {29, "G5vclstrings.evIVOYAGEL", "G5vclstrings.evIVOYAGES", 'I', -1, false, 28},
    {30, "G5vclstrings.evIRESIL", "G5vclstrings.evIRESIS", 'I', -1, false, 29},
    {31, "G5vclstrings.evIWILLL", "G5vclstrings.evIWILLS", 'I', -1, false, 30},
    {32, "G5vclstrings.evIFCOML", "G5vclstrings.evIFCOMS", 'I', -1, false, 31},
    {33, "G5vclstrings.evITITLL", "G5vclstrings.evITITLS", 'I', -1, false, 32},
    {34, "G5vclstrings.evIADOPL", "G5vclstrings.evIADOPS", 'I', -1, false, 33},
    {35, "G5vclstrings.evICREML", "G5vclstrings.evICREMS", 'I', -1, false, 34},
    {38, "G5vclstrings.eviPOSTMORTEM", "G5vclstrings.eviPOSTMORTEM", 'I', -1, false, 51},
    {39, "G15str.evpReunionFamille", "G15str.evpReunionFamille", 'I', -1, false, 52},
    {54, "G5vclstrings.evUDIVL", "G5vclstrings.evUDIVS", 'U', -1, false, 35},
    {55, "G5vclstrings.evUDIVFL", "G5vclstrings.evUDIVFS", 'U', -1, false, 36},
    {56, "G5vclstrings.evUENGAL", "G5vclstrings.evUENGAS", 'U', -1, false, 37},
    {57, "G5vclstrings.evUEVENL", "G5vclstrings.evIEVENS", 'U', -1, false, 38},
    {58, "G5vclstrings.evUMARBL", "G5vclstrings.evUMARBS", 'U', -1, false, 39},
    {59, "G5vclstrings.evUMARCL", "G5vclstrings.evUMARCS", 'U', 50, false, 40},
    {60, "G5vclstrings.evUMARLL", "G5vclstrings.evUMARLS", 'U', -1, false, 41},
    {61, "G5vclstrings.evUMARRL", "G5vclstrings.evUMARRS", 'U', 48, false, 42},
    {62, "G5vclstrings.evUMARSL", "G5vclstrings.evUMARSS", 'U', -1, false, 43},
    {63, "G5vclstrings.evUSLGSL", "G5vclstrings.evUSLGSS", 'U', -1, true, 44},
    {64, "G5vclstrings.evURESIL", "G5vclstrings.evURESIS", 'U', -1, false, 45},
    {65, "G5vclstrings.evUSEPL", "G5vclstrings.evUSEPS", 'U', -1, false, 46},
    {66, "G5vclstrings.evUADOPTL", "G5vclstrings.evUADOPTS", 'U', -1, false, 47},
    {67, "G5vclstrings.evUANNULL", "G5vclstrings.evUANNULS", 'U', -1, false, 48},
    {68, "G5vclstrings.evUMARRELL", "G5vclstrings.evUMARRELS", 'U', 49, false, 49},
    {69, "Locfiches._pacs", "xP", 'U', -1, false, -1},
};

TEST(TV5EventListTest, TypeTableIsTheKnownOne) {
  std::set<int> named;
  for (const ExpectedType& e : kTable) {
    SCOPED_TRACE(e.code);
    named.insert(e.code);
    const auto type = static_cast<TV5EventList>(e.code);
    const EventTypeInfo& info = GetEventTypeInfo(e.code);
    ASSERT_NE(info.longName, nullptr);
    EXPECT_STREQ(info.longName, e.longName);
    EXPECT_STREQ(info.symbol, e.symbol);
    EXPECT_TRUE(HasResString(e.longName)) << "every long name has a text";
    EXPECT_EQ(GetTypeStr(type), LoadResString(e.longName));
    EXPECT_FALSE(GetTypeStr(type).empty());
    EXPECT_EQ(IsIndiEvent(type), e.kind == 'I');
    EXPECT_EQ(IsUnionEvent(type), e.kind == 'U');
    EXPECT_EQ(EstEvenementMajeur(type), e.icon >= 0 || e.code == 69);
    EXPECT_EQ(GetIconIndex(type), e.icon);
    EXPECT_EQ(IsLDSEvent(type), e.lds);
    EXPECT_EQ(info.internationalIndex, e.intl);
  }
  EXPECT_EQ(GetSymboleType(evUPACS), "xP");
  // Codes without a row: no name, no symbol, not major, kind by range.
  for (int code = 0; code < 256; ++code) {
    if (named.count(code) != 0) continue;
    SCOPED_TRACE(code);
    const auto type = static_cast<TV5EventList>(code);
    EXPECT_EQ(GetTypeStr(type), "");
    EXPECT_EQ(GetSymboleType(type), "");
    EXPECT_FALSE(EstEvenementMajeur(type));
    EXPECT_EQ(GetIconIndex(type), -1);
    EXPECT_EQ(GetEventTypeInfo(code).internationalIndex, -1);
    EXPECT_EQ(IsIndiEvent(type), code < 54);
    EXPECT_EQ(IsUnionEvent(type), code >= 54 && code < 85);
  }
  EXPECT_EQ(GetNBEvenements(), 85);
}

TEST(TV5EventListTest, NamesFollowTheLanguage) {
  ScopedResourceLanguage en(Language::English);
  EXPECT_EQ(GetTypeStr(evIBIRT), "Birth");
  ScopedResourceLanguage fr(Language::French);
  EXPECT_EQ(GetTypeStr(evIDEAT), "D\xE9" "c\xE8" "s");  // Windows-1252
}

TEST(TV5EventListTest, OlderNumberingConverts) {
  const struct {
    int old;
    int type;
  } cases[] = {{0, 53},     {1, 59},     {2, 54},     {3, 64},     {4, 56},     {5, 65},     {6, 66},
               {7, 67},     {8, 58},     {9, 57},     {10, 57},    {500, 61},   {501, 68},   {502, 53},
               {1000, 16},  {1001, 30},  {1002, 6},   {1003, 23},  {1004, 31},  {1005, 24},  {1006, 2},
               {1007, 25},  {1008, 26},  {1009, 15},  {1010, 17},  {1011, 32},  {1012, 21},  {1013, 27},
               {1014, 33},  {1015, 28},  {1016, 29},  {1017, 15},  {5000, 4},   {5001, 8},   {5002, 12},
               {5003, 53},  {11, 53},    {-1, 53},    {499, 53},   {1018, 53},  {5004, 53},  {999999, 53}};
  for (const auto& c : cases) EXPECT_EQ(ConvertEventType98ToVersion5(c.old), c.type) << c.old;
}

std::vector<int> Ordered(bool withLDS, typeEventGroupT group) {
  std::vector<TV5EventList> list{evAucun};  // appended to, never cleared
  GetOrderedEventList(list, withLDS, group);
  EXPECT_EQ(list.front(), evAucun);
  return std::vector<int>(list.begin() + 1, list.end());
}

std::vector<int> Cat(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(TV5EventListTest, OrderedListsPerLanguageAndGroup) {
  const std::vector<int> indEn = {24, 34, 8,  1,  9,  2,  3,  5,  10, 35, 12, 25, 30, 16, 13, 26, 38,
                                  15, 17, 6,  20, 18, 4,  19, 32, 23, 21, 7,  39, 27, 31, 33, 28, 29};
  const std::vector<int> indFr = {24, 34, 9,  2,  3,  4,  5,  6,  7,  8,  10, 35, 12, 25, 13, 15, 39,
                                  32, 16, 17, 26, 27, 18, 23, 19, 1,  38, 28, 20, 30, 21, 33, 29, 31};
  const std::vector<int> uniEn = {66, 67, 59, 58, 60, 55, 54, 64, 57, 56, 61, 68, 65, 69};
  const std::vector<int> uniFr = {66, 54, 56, 57, 64, 55, 61, 67, 58, 59, 60, 69, 68, 65};
  const std::vector<int> ldsInd = {11, 14, 22};
  const std::vector<int> ldsUni = {63};
  {
    ScopedResourceLanguage en(Language::English);
    EXPECT_EQ(Ordered(false, tegAll), Cat(indEn, uniEn));
    EXPECT_EQ(Ordered(true, tegAll), Cat(Cat(Cat(indEn, ldsInd), uniEn), ldsUni));
    EXPECT_EQ(Ordered(false, tegIndividu), indEn);
    EXPECT_EQ(Ordered(true, tegUnion), Cat(uniEn, ldsUni));
  }
  ScopedResourceLanguage fr(Language::French);
  EXPECT_EQ(Ordered(false, tegAll), Cat(indFr, uniFr));
  EXPECT_EQ(Ordered(true, tegIndividu), Cat(indFr, ldsInd));
  EXPECT_EQ(Ordered(false, tegUnion), uniFr);
  // Never offered: 0, 36, 37, 40 to 53 and 62.
  const std::vector<int> all = Ordered(true, tegAll);
  const std::set<int> offered(all.begin(), all.end());
  EXPECT_EQ(offered.size(), all.size()) << "no type twice";
  for (int never : {0, 36, 37, 40, 45, 53, 62}) EXPECT_EQ(offered.count(never), 0u) << never;
}

TEST(TV5EventListTest, StandardNamesComeFromThePreferences) {
  EXPECT_FALSE(IsEventInternationnalStr(evIBIRT, "Naissance")) << "no preferences";
  ScopedPrefs prefs;
  prefs->EventNames1.assign(53, "");
  prefs->EventNames2.assign(53, "");
  prefs->EventNames1[4] = "Naissance";
  prefs->EventNames2[4] = "Birth";
  prefs->EventNames1[50] = "Ev\xE9nement";
  EXPECT_TRUE(IsEventInternationnalStr(evIBIRT, "Naissance"));
  EXPECT_TRUE(IsEventInternationnalStr(evIBIRT, "Birth"));
  EXPECT_FALSE(IsEventInternationnalStr(evIBIRT, "naissance"));
  EXPECT_FALSE(IsEventInternationnalStr(evIBIRT, "Naissance "));
  EXPECT_TRUE(IsEventInternationnalStr(evIEVEN, "Ev\xE9nement")) << "15 has international index 50";
  EXPECT_FALSE(IsEventInternationnalStr(evUPACS, "")) << "no index, even for an empty text";
  prefs->EventNames1.resize(3);
  EXPECT_FALSE(IsEventInternationnalStr(evIBIRT, "Naissance")) << "short list";
}

}  // namespace
}  // namespace genvora
