// The small real family of the demo and the tests.
#include "support/SampleFamily.h"

#include <cstring>
#include <string>
#include <vector>

#include "records/TGAdresse.h"
#include "records/TGDocument.h"
#include "records/TGEvenement.h"
#include "records/TGIndividu.h"
#include "records/TGLien.h"
#include "records/TGLienRoot.h"
#include "records/TGLieu.h"
#include "records/TGMedia.h"
#include "records/TGMediaCadre.h"
#include "records/TGNom.h"
#include "records/TGUnion.h"
#include "records/TVGNote.h"
#include "records/TVGPrenom.h"
#include "records/TVGProfession.h"
#include "records/TVGTache.h"

namespace genvora {

namespace {

// A record of a kind whose class is not part of this object: its code and a
// text, as the record base lays out its first field.
void PutRaw(LXArray& store, CodeID code, const AnsiString& text) {
  std::vector<unsigned char> bytes(4 + text.size() + 1, 0);
  std::memcpy(bytes.data(), &code, 4);
  std::memcpy(bytes.data() + 4, text.data(), text.size());
  store.EcritData(code, bytes.data(), static_cast<unsigned>(bytes.size()));
}

void AddCode(LArray& array, std::uint32_t code) { array.AddItem(&code, 4); }


}  // namespace

CodeID FillSampleFamily(TGDatabase& db) {
  TGDatabaseTables& t = db.Tables();
  auto surname = [&](const char* text) {
    TGNom nom;
    CodeID code = db.GetNextID();
    nom.SetCodeID(code);
    nom.SetNom(text);
    nom.SetRattachement(code);
    t.dicoNoms->EcritData(&nom);
    return code;
  };
  auto place = [&](const char* town, const char* department) {
    TGLieu lieu;
    CodeID code = db.GetNextID();
    lieu.SetCodeID(code);
    lieu.SetText(1, town);
    lieu.SetText(2, department);
    lieu.SetText(4, "France");
    lieu.SetRattachement(code);
    t.dicoLieux->EcritData(&lieu);
    return code;
  };
  auto person = [&](const char* firstNames, CodeID nom, bool female, CodeID father, CodeID mother,
                    const char* profession) {
    TGIndividu indi;
    CodeID code = db.GetNextID();
    indi.SetCodeID(code);
    indi.SetChar(5, firstNames);
    indi.SetChar(6, profession);
    indi.SetFeminin(female);
    indi.SetCodeNom(nom);
    indi.SetCodePere(father);
    indi.SetCodeMere(mother);
    t.individus->EcritData(&indi);
    return code;
  };
  auto couple = [&](CodeID husband, CodeID wife) {
    TGUnion u;
    CodeID code = db.GetNextID();
    u.SetCodeID(code);
    u.SetEpoux(husband);
    u.SetEpouse(wife);
    u.SetTypeUnion(1);
    t.unions->EcritData(&u);
    return code;
  };

  // Windows-1252 texts: "\xC9" É, "\xE9" é, "\xE8" è, "\xEF" ï, "\xE7" ç.
  CodeID fontaine = surname("de la Fontaine");
  CodeID lefevre = surname("Lef\xE8vre");
  CodeID dupre = surname("d'Upr\xE9");
  CodeID lyon = place("Lyon", "Rh\xF4ne");
  CodeID nancy = place("Nancy", "Meurthe-et-Moselle");

  CodeID g1 = person("Jean-Baptiste", fontaine, false, 0, 0, "laboureur");
  CodeID g1w = person("\xC9lise Ad\xE9la\xEF" "de", lefevre, true, 0, 0, "");
  couple(g1, g1w);
  CodeID g2 = person("Fran\xE7ois", fontaine, false, g1, g1w, "instituteur");
  CodeID g2w = person("Marie-Th\xE9r\xE8se", dupre, true, 0, 0, "couturi\xE8re");
  couple(g2, g2w);
  CodeID g3 = person("Ren\xE9", fontaine, false, g2, g2w, "m\xE9" "decin");
  CodeID g3s = person("Ang\xE8le", fontaine, true, g2, g2w, "");
  CodeID g4 = person("No\xEBl", fontaine, false, g3, 0, "");

  // Events: a republican birth, an approximate death, a marriage.
  auto event = [&](CodeID owner, std::uint8_t type, const char* date, CodeID lieu) {
    TGEvenement ev;
    CodeID code = db.GetNextID();
    ev.SetCodeID(code);
    ev.SetProprietaire(owner);
    ev.SetType(static_cast<TV5EventList>(type));
    ev.GetDate()->SetText(date);
    ev.SetDicoLieu(lieu);
    // Through the events table, so that the owner index lists the event:
    // the witness and family queries find events only there.
    const std::string bytes = ev.EncodeToString();
    const std::uint32_t dateKey = ev.GetDate()->GetDateTriApp(false);
    t.evenements->EcritEvenement({owner, dateKey, type, code}, bytes.data(), static_cast<unsigned>(bytes.size()));
    return code;
  };
  CodeID birth = event(g2, 4, "3 brumaire an II", lyon);
  event(g1, 12, "ABT 1850", nancy);  // read whatever language is in force
  event(g4, 4, "25/12/1901", lyon);

  // A witness: the sister witnessed her brother's birth record.
  TGLien lien;
  CodeID linkCode = db.GetNextID();
  lien.SetCodeID(linkCode);
  lien.SetLienDe(g3s);
  lien.SetLienVers(birth);
  lien.SetType(101);
  lien.SetTitre("t\xE9moin");
  t.liens->EcritData(&lien);

  // A note in rich text on the root, a medium linked to him.
  TVGNote note;
  note.NewNote(g4, "{\\rtf1\\ansi N\\'e9 pendant l'hiver, \\b baptis\\'e9\\b0  \\'e0 Lyon.\\par}", false);
  note.EcritDans(g4, t.notes);
  TGMedia media;
  CodeID medium = db.GetNextID();
  media.SetCodeID(medium);
  media.SetOriginalFullPath("Media/portrait-no\xEBl.jpg");
  t.medias->EcritData(&media);
  TGLienMedia mediaLink;
  mediaLink.SetCodeID(db.GetNextID());
  mediaLink.SetXREFCible(g4);
  mediaLink.SetXREFMedia(medium);
  mediaLink.SetGenre(omIndividu);
  mediaLink.SetMediaPrincipal(true);
  mediaLink.SetCitation("portrait");
  t.MediaLiens()->EcritData(&mediaLink);
  // His face, cut from the portrait.
  TGMediaCadre frame;
  frame.SetCodeID(db.GetNextID());
  frame.SetMediaOrigine(medium);
  frame.SetIndividu(g4);
  frame.SetRect({40, 25, 168, 185});
  t.mediasCadres->EcritData(&frame);

  // The parish register is the source of the republican birth.
  TGDatabaseCodes codes(db);
  TGDocument registre;
  registre.SetTypeSource(tsActe);
  registre.SetText(0, "Registre paroissial de Lyon, an II");
  registre.SetText(3, "Archives d\xE9partementales du Rh\xF4ne");
  registre.SetText(2, "2 E 1456");
  registre.SetNatureActe(2);
  registre.SetCertitude(3);
  const CodeID document = t.documents->MetAJour(registre, &codes);
  TGLienDocument citation;
  citation.SetCodeID(db.GetNextID());
  citation.SetXREFEvenement(birth);
  citation.SetXREFDocument(document);
  citation.SetCitation("L'an deux de la R\xE9publique, le trois brumaire...");
  t.DocumentLiens()->EcritData(&citation);

  // The family's address in Lyon, and a task that sends the researcher there.
  TGAdresse adresse;
  const CodeID adresseCode = db.GetNextID();
  adresse.SetCodeID(adresseCode);
  adresse.SetTexte(TGAdresse::kAdresse1, "12 rue de la R\xE9publique");
  adresse.SetTexte(TGAdresse::kCodePostal, "69002");
  adresse.SetTexte(TGAdresse::kVille, "Lyon");
  adresse.SetTexte(TGAdresse::kPays, "France");
  t.dicoAdresses->EcritData(&adresse);
  TVGTache tache;
  const CodeID tacheCode = db.GetNextID();
  tache.SetCodeID(tacheCode);
  tache.SetTitre("Chercher l'acte de mariage de Fran\xE7ois");
  tache.SetDescription("Registres de la paroisse Saint-Nizier");
  tache.SetPriorite(1);
  t.taches->EcritData(&tache);
  t.taches->AjouterLienAdresse(tacheCode, adresseCode);
  t.taches->AjouterLienIndividu(tacheCode, g2);
  TVGPrenom rene;
  rene.SetPrenom("Ren\xE9");
  rene.SetPrenomUCD("RENE");
  rene.SetSexe(0);
  const CodeID reneCode = t.prenoms->MetAJour(rene, &codes, false);
  TVGProfession medecin;
  medecin.SetProfession("m\xE9" "decin");
  medecin.SetProfessionUCD("MEDECIN");
  const CodeID medecinCode = t.professions->MetAJour(medecin, &codes, false);
  PutRaw(*t.redaction, db.GetNextID(), "Introduction");
  // A research day in the archives (1 March 2021, 14:30).
  t.rechercheLog->NewLog(g2, "Archives du Rh\xF4ne, 3 brumaire an II", "Acte de naissance trouv\xE9", 0,
                         44256.0 + 14.5 / 24.0, &codes);
  TVGNote aide;
  aide.NewNote(g2, "{\\rtf1 Voir l'\\'e9tat civil.\\par}", false);
  aide.EcritDans(g2, t.notesAideRecherche);

  AddCode(*t.indiMarques, g4);
  AddCode(*t.ordreEnfants, g3);
  AddCode(*t.ordreEnfants, g3s);
  AddCode(*t.ordreConjoints, g1w);
  t.adresseLiens->AjouteLien(adresseCode, g2);
  t.noteLiens->AjouteLien(g4, g4);
  std::uint32_t branch[3] = {db.GetNextID(), g1, 1};
  t.branches->AddItem(branch, 12);
  t.liensPrenoms->AjouteLien(g3, reneCode, true);
  t.liensProfessions->AjouteLien(g2, medecinCode);

  db.Header.SetDeCujus(g4);
  return g4;
}

}  // namespace genvora
