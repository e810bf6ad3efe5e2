// What the import's element writer, its composite elements, the commands
// and the batch share, inside the application.
#pragma once

#include <cstdint>
#include <string>

#include "brukerdata.h"
#include "dgn/mdlelem.h"

// The running settings record, or an empty one when the application has
// not started (the engine may call the writer from a test or a tool).
zeraBrukerGrensesnittData &zeraData();
// The two words of the ZERA id linkage of Elm's serial: the serial modulo
// 65535, and divided by 65535.
uint16_t zeraIdOrd1();
uint16_t zeraIdOrd2();
// Equal as ISO 8859-1 letters, case ignored.
bool zeraSammeNavn(const char *a, const char *b);
// Clears the writer's memory of the previous element (a run starts).
void zeraNullstillSkriver();
// The design file's error that stopped the writer in this run (a full
// disk, a file that takes no writes); 0 when none did.
int zeraSkriverStoppetAv();
// EPSG code of a ZERA coordinate system number (...KOORDSYS); 0 for none.
int zeraEpsgAvKoordsys(int koordsys);
// The coordinate system number of an EPSG code; 0 for none.
int zeraKoordsysAvEpsg(int epsg);
// Text size and font of the current element, as texts and symbols take them.
void zeraTekstParametre(TextSizeParam *storrelse, TextParam *param);
// The text of the engine's first (siste: last) registered message; ""
// without one.
std::string zeraMotorensMelding(bool siste = false);
