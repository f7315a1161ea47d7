// The standard GEDCOM tags of the event types.
#include "export/GedcomTags.h"

namespace genvora {

// GEDCOM tags of the event types that have a standard one; the type codes
// are on-disk values.
const char* GedcomEventTag(TV5EventList type) {
  switch (type) {
    case evIBAPL: return "BAPL";
    case evIBAPM: return "BAPM";
    case evIBARM: return "BARM";
    case evIBASM: return "BASM";
    case evIBIRT: return "BIRT";
    case evIBLES: return "BLES";
    case evIBURI: return "BURI";
    case evICENS: return "CENS";
    case evICHR: return "CHR";
    case evICHRA: return "CHRA";
    case evICONF: return "CONF";
    case evICONL: return "CONL";
    case evIDEAT: return "DEAT";
    case evIEMIG: return "EMIG";
    case evIENDL: return "ENDL";
    case evIEVEN: return "EVEN";
    case evIGRAD: return "GRAD";
    case evIIMMI: return "IMMI";
    case evINATU: return "NATU";
    case evIORDN: return "ORDN";
    case evIPROB: return "PROB";
    case evIRETI: return "RETI";
    case evISLGC: return "SLGC";
    case evIOCCU: return "OCCU";
    case evIRESI: return "RESI";
    case evIWILL: return "WILL";
    case evIFCOM: return "FCOM";
    case evITITL: return "TITL";
    case evIADOP: return "ADOP";
    case evICREM: return "CREM";
    case evUDIV: return "DIV";
    case evUDIVF: return "DIVF";
    case evUENGA: return "ENGA";
    case evUEVEN: return "EVEN";
    case evUMARB: return "MARB";
    case evUMARC: return "MARC";
    case evUMARL: return "MARL";
    case evUMARR: return "MARR";
    case evUMARS: return "MARS";
    case evUSLGS: return "SLGS";
    case evURESI: return "RESI";
    case evUANNUL: return "ANUL";
    default: return nullptr;
  }
}

}  // namespace genvora
