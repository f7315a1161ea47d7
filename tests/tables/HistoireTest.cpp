// The historical facts list: the fact record's bytes, the filter by
// category and words, the year range, dates of other calendars, and the
// list's file with its code counter.
#include <gtest/gtest.h>

#include "TablesTestSupport.h"
#include "records/TGV9FaitHistorique.h"
#include "tables/TGV9ListeHistoire.h"

namespace genvora {
namespace {

class Histoire : public ::testing::Test {
 protected:
  CodeID Fait(const char* nom, const char* date, TypeFaitT type, const char* description = "", bool perso = false) {
    TGV9FaitHistorique f;
    f.SetCodeID(liste.GetCodeId());
    f.SetNom(nom);
    EXPECT_TRUE(f.SetDateTexte(date)) << date;
    f.SetTypeFait(type);
    f.SetDescription(description);
    f.SetPerso(perso);
    EXPECT_NE(liste.EcritData(&f), 0);
    return f.GetCodeID();
  }
  TGV9ListeHistoire liste;
};

TEST_F(Histoire, FilterByCategoryAndWordsAndByYears) {
  const CodeID bastille = Fait("Prise de la Bastille", "14/07/1789", 10, "d\xE9" "but de la R\xE9volution");
  const CodeID cent = Fait("Guerre de Cent Ans", "24/05/1337", 5);
  const CodeID peste = Fait("Peste noire", "1348", 3, "apr\xE8s la guerre");
  const CodeID etats = Fait("\xC9tats g\xE9n\xE9raux", "05/05/1789", 10, "", true);
  std::vector<CodeID> out;
  liste.Filtrer(0, "", out);
  EXPECT_EQ(out, (std::vector<CodeID>{bastille, cent, peste, etats}));
  liste.Filtrer(0, "GUERR", out);
  EXPECT_EQ(out, (std::vector<CodeID>{cent, peste}));
  liste.Filtrer(5, "guerre", out);
  EXPECT_EQ(out, (std::vector<CodeID>{cent}));
  liste.Filtrer(0, "revolution debut", out);  // every word, accents ignored
  EXPECT_EQ(out, (std::vector<CodeID>{bastille}));
  liste.Filtrer(0, "uerre", out);  // a word's start, not its middle
  EXPECT_TRUE(out.empty());
  liste.GetListeCodesIdByDate(out, 1789, 1789);
  EXPECT_EQ(out, (std::vector<CodeID>{bastille, etats}));
  liste.GetListeCodesIdByDate(out, 1300, 1349);
  EXPECT_EQ(out, (std::vector<CodeID>{cent, peste}));
  EXPECT_EQ(liste.GetCountPerso(), 1);
  EXPECT_TRUE(liste.NomExists("Peste noire"));
  EXPECT_FALSE(liste.NomExists("peste noire"));
}

TEST_F(Histoire, RepublicanDateIsStoredAsItsGregorianDay) {
  TGV9FaitHistorique f;
  ASSERT_TRUE(f.SetDateTexte("18 brumaire an VIII"));
  const TGDate::dateT& block = f.GetDateBlock();
  EXPECT_EQ(block.Calendar[0], 'G');
  EXPECT_EQ(block.Calendar[1], 'G');
  EXPECT_EQ(block.Day[0], 9);
  EXPECT_EQ(block.Month[0], 11);
  EXPECT_EQ(block.Year[0], 1799);
  EXPECT_EQ(block.Year[1], 1799);
  EXPECT_EQ(f.GetAnnee(), 1799);
  // Text that is no date changes nothing.
  EXPECT_FALSE(f.SetDateTexte("pas une date"));
  EXPECT_EQ(f.GetDateBlock().Year[0], 1799);
}

TEST_F(Histoire, FileKeepsTheListAndTheCounterByteForByte) {
  Fait("Prise de la Bastille", "14/07/1789", 10);
  const CodeID last = Fait("Armistice", "11/11/1918", 5);
  TGV9FaitHistorique withThumb;
  withThumb.SetCodeID(liste.GetCodeId());
  withThumb.SaveVignette(std::string("\xFF\xD8\xFF\xE0 jpeg", 9));
  withThumb.SetTexteSupplementaire("suppl\xE9ment");
  withThumb.SetValeurSupplementaire(0xA1B2C3D4u);
  ASSERT_NE(liste.EcritData(&withThumb), 0);
  EXPECT_EQ(withThumb.EncodeToString().size(), withThumb.GetDataSize());
  liste.DeleteData(last);  // the counter does not go back
  EXPECT_TRUE(liste.GetModifiee());

  TempDir dir;
  ASSERT_TRUE(liste.FichierEnregistrerSous(dir.Path() + "/faits.bin"));
  EXPECT_FALSE(liste.GetModifiee());
  TGV9ListeHistoire reopened;
  ASSERT_TRUE(reopened.FichierOuvrir(dir.Path() + "/faits.bin"));
  ASSERT_TRUE(reopened.FichierEnregistrerSous(dir.Path() + "/again.bin"));
  EXPECT_EQ(ReadAll(dir.Path() + "/faits.bin"), ReadAll(dir.Path() + "/again.bin"));
  EXPECT_EQ(reopened.PeekCodeId(), 4u);
  TGV9FaitHistorique read;
  ASSERT_TRUE(reopened.FetchData(withThumb.GetCodeID(), &read));
  EXPECT_EQ(read.EncodeToString(), withThumb.EncodeToString());
}

TEST_F(Histoire, DamagedFilesAreRefusedOrRepaired) {
  Fait("Armistice", "11/11/1918", 5);
  Fait("Bastille", "14/07/1789", 10);
  TempDir dir;
  const std::string path = dir.Path() + "/faits.bin";
  ASSERT_TRUE(liste.FichierEnregistrerSous(path));
  std::vector<unsigned char> bytes = ReadAll(path);

  // The counter (the last 4 bytes) below the stored codes is raised.
  std::vector<unsigned char> lowCounter = bytes;
  std::fill(lowCounter.end() - 4, lowCounter.end(), 0);
  WriteAll(path, lowCounter);
  TGV9ListeHistoire reopened;
  ASSERT_TRUE(reopened.FichierOuvrir(path));
  EXPECT_EQ(reopened.PeekCodeId(), 3u);

  // Without its counter, or cut inside the block, the file is refused.
  for (std::size_t cut : {std::size_t{4}, bytes.size() / 2}) {
    WriteAll(path, std::vector<unsigned char>(bytes.begin(), bytes.end() - static_cast<std::ptrdiff_t>(cut)));
    TGV9ListeHistoire damaged;
    EXPECT_FALSE(damaged.FichierOuvrir(path)) << cut;
    EXPECT_EQ(damaged.GetCount(), 0u);
  }
  TGV9ListeHistoire absent;
  EXPECT_FALSE(absent.FichierOuvrir(dir.Path() + "/absent.bin"));
}

TEST(FaitHistorique, ThumbnailSizeBeyondTheEntryIsDamage) {
  TGV9FaitHistorique f;
  f.SetCodeID(3);
  f.SetNom("X");
  f.SaveVignette("abc");
  std::string bytes = f.EncodeToString();
  // offset 14: Nom "X\0"; 16: date block (32); 48: TypeFait; 49: Origine
  // "\0"; 50: Description "\0"; 51: thumbnail size.
  ASSERT_EQ(bytes[51], 3);
  bytes[51] = 100;
  TGV9FaitHistorique read;
  EXPECT_THROW(read.Decode(bytes.data(), static_cast<int>(bytes.size())), std::exception);
  EXPECT_EQ(read.GetNom(), "");
}

}  // namespace
}  // namespace genvora
