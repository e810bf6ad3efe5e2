// What the database module's sources share among themselves.
#ifndef ZERAGG_DB_INT_H
#define ZERAGG_DB_INT_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "dlg/mdldlg.h"
#include "zvlibtext.h"

// An owned copy of a text (freed with dlmSystem_mdlFree); null on failure.
char *GGKopi(const char *tekst);
// Zero-filled memory, or null after zvlib's error box (list 20005, entry 14).
void *GGAlloker(size_t storrelse);
// The completion bar of the load that is running, null outside it.
extern CompletionBar *GGFremdrift;

// The whole text (blanks around it allowed) is one number; else false.
bool GGHeltall(const char *tekst, int64_t &tall);
bool GGDesimal(const char *tekst, double &tall);
// A wide text of the GIS add-on as 8-bit text.
std::string GGSmal(const char16_t *tekst);
// Names equal without regard to ASCII case, as the databases fold them.
bool GGSammeNavn(const char *a, const char *b);

#endif
