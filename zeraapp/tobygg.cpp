// Names that shared code calls in both builds of the ZERA application and
// that only the GIS build fills, with zvlib's print-driver entries that
// this build leaves out.  Here each is one of three bodies: nothing, 0 or 1.
// The arguments differ from name to name and are never read, so every body
// takes any arguments; the callers declare the real signatures.
//
// Sections: bodies that do nothing - bodies that give 0 - the body that gives 1.
#include "zvzera_services.h"

extern "C" {

// ---- bodies that do nothing ------------------------------------------------------
#define TOM(navn)                                                                                            \
    ZVZERA_API void navn(...) {}
TOM(FeatureCodesFromDbLinkToElm)
TOM(FeatureCodesToElm)
TOM(FinnObjTypeNavn)
TOM(FinnesTemakodeITabell)
TOM(LagreFlateElementerIListe)
TOM(LagreFlatePunktIListe)
TOM(LagreKPinformasjon)
TOM(OppdaterGGRefFiler)
TOM(ReloadEnRefFil)
TOM(TegnGGPunktSymbol)
TOM(zvlibAscii_newPage)
TOM(zvlibHpgl_drawArc)
TOM(zvlibHpgl_drawLine)
TOM(zvlibHpgl_fillCirc)
TOM(zvlibPcl_drawArc)
TOM(zvlibPcl_drawLine)
TOM(zvlibPcl_fillCirc)
#undef TOM
// Called by the progress callback with no arguments.
ZVZERA_API void ReloadGGRefFilerHvisNoedvendig(void) {}

// ---- bodies that give 0 ---------------------------------------------------------
#define NULL_SVAR(navn)                                                                                      \
    ZVZERA_API int navn(...) { return 0; }
NULL_SVAR(AapneRiktigGeoGraphicsFil)
NULL_SVAR(AllElemPointsInAreaPoints)
NULL_SVAR(HentGGAttributtDataFraDbLink)
NULL_SVAR(HentGGAttributtDataFraElement)
NULL_SVAR(LagreGGElement)
NULL_SVAR(LagreGGElementDescr)
NULL_SVAR(OppdaterKategoriTabell)
NULL_SVAR(PunktErFlatePunkt)
NULL_SVAR(UtelatKategori)
#undef NULL_SVAR

// ---- the body that gives 1 -------------------------------------------------------
// Every element passes the line-theme option of the rewrite command.
ZVZERA_API int ElementErLinjeTema(...) { return 1; }

} // extern "C"
