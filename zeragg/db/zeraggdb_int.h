// What the database module's sources share among themselves.
#ifndef ZERAGG_DB_INT_H
#define ZERAGG_DB_INT_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "dlg/mdldlg.h"

// An owned copy of a text (freed with dlmSystem_mdlFree); null on failure.
char *GGKopi(const char *tekst);
// Zero-filled memory, or null after zvlib's error box (list 20005, entry 14).
void *GGAlloker(size_t storrelse);
// The completion bar of the load that is running, null outside it.
extern CompletionBar *GGFremdrift;

// The whole text (blanks around it allowed) is one number; else false.
bool GGHeltall(const char *tekst, int64_t &tall);
bool GGDesimal(const char *tekst, double &tall);
// Bounded copies: GGKopier cuts to fit, GGKopierHel leaves to unchanged
// when the text does not fit; both true when all of it fitted.
bool GGKopier(char *til, size_t storrelse, const char *fra);
bool GGKopierHel(char *til, size_t storrelse, const char *fra);
template <size_t N> bool GGKopier(char (&til)[N], const char *fra) { return GGKopier(til, N, fra); }
template <size_t N> bool GGKopierHel(char (&til)[N], const char *fra) { return GGKopierHel(til, N, fra); }
// A wide text of the GIS add-on as 8-bit text.
std::string GGSmal(const char16_t *tekst);
// Names equal without regard to ASCII case.
bool GGSammeNavn(const char *a, const char *b);

#endif
