// The GIS build's side of the names that shared code calls in both builds.
// The database module holds the two attribute readers; the bodies of the
// others come with the GIS import, export and editing, and until then are
// the same three bodies as the CAD build's: nothing, 0 or 1.  They are this
// library's own (not exported), so shared code here never reaches the CAD
// build's copies.
extern "C" {

// ---- bodies that do nothing ------------------------------------------------------
#define TOM(navn)                                                                                            \
    void navn(...) {}
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
#undef TOM
void ReloadGGRefFilerHvisNoedvendig(void) {}

// ---- bodies that give 0 ---------------------------------------------------------
#define NULL_SVAR(navn)                                                                                      \
    int navn(...) { return 0; }
NULL_SVAR(AllElemPointsInAreaPoints)
NULL_SVAR(LagreGGElement)
NULL_SVAR(LagreGGElementDescr)
NULL_SVAR(OppdaterKategoriTabell)
NULL_SVAR(PunktErFlatePunkt)
NULL_SVAR(UtelatKategori)
#undef NULL_SVAR

// ---- the body that gives 1 -------------------------------------------------------
int ElementErLinjeTema(...) { return 1; }

} // extern "C"
