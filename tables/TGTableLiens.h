// TGTableLiens ("TBLINK"): the links table. An indexed store of TGLien records
// by code with two attached indexes of 12-byte items (unsigned 32-bit
// little-endian words), sorted by their first word, entries of one first
// word in the order they were added:
//   slot 1: "TBLINK-IdxVERS" {LienVers, LienDe, link code};
//   slot 2: "TBLINK-IdxDE"   {LienDe, LienVers, link code}.
#pragma once

#include <vector>

#include "containers/LXArray.h"
#include "records/TGLien.h"

namespace genvora {

// Which end of a link LesLiensDe matches.
enum LesLienDeT : std::uint8_t { llDe = 0, llVers = 1, llTous = 2 };

class TGTableLiens : public LXArray {
 public:
  static constexpr int kVersSlot = 1;
  static constexpr int kDeSlot = 2;
  static constexpr unsigned kKeySize = 12;
  // Link types above this one tie an individual to an event.
  static constexpr liensListT kPremierTypeEvenement = 100;

  TGTableLiens();

  int EcritData(TGLien* lien);
  bool FetchData(CodeID code, TGLien* lien);
  int DeleteData(std::uint32_t code) override;
  using LXArray::EcritData;
  using LXArray::FetchData;

  void RemoveLocalKey(CodeID code);

  // Appends the codes of the links of `code`, in "TBLINK-IdxDE" order: mode
  // llDe those it starts, llVers those it ends, any other mode both.
  void LesLiensDe(CodeID code, LArray* out, int mode) const;
  void LesLiensDe(CodeID code, std::vector<CodeID>& out, int mode) const;
  // The link between an individual and an event, either way; 0 when none.
  CodeID LeLienIndiEvt(CodeID individu, CodeID evenement) const;
  // Adds, without duplicates, the LienDe of each individual-to-event link of
  // `code`.
  void AjouteEvenementsPartages(CodeID code, LArray* out);
  // Adds the LienVers of each link of the event (the first only when asked);
  // true when there was one.
  bool LesIndisDeEvtPartage(CodeID evenement, LArray* out, bool firstOnly) const;

  void ReIndex();

  LArray* GetIndexVers() const { return vers_; }
  LArray* GetIndexDe() const { return de_; }

 private:
  void AddKeys(const TGLien& lien);
  LArray* vers_;  // slot 1
  LArray* de_;    // slot 2
};

}  // namespace genvora
