// An export header as the engine starts one (defaults, the set's name),
// filled through the engine's public records: the application sees only the
// engine's face.
#ifndef ZERAAPP_HODE_TESTING_H
#define ZERAAPP_HODE_TESTING_H

#include <cstring>

#include "kartmotor.h"
#include "zvlibtext.h"

namespace hodetest {

inline void nyttHode(int16_t set, SheadStruct *h)
{
    memset(h, 0, sizeof *h);
    h->charset = set;
    const char *navn = set == ZERA_CHARSET_ISO || set == ZERA_CHARSET_ISO2 ? "DECM8"
                       : set == ZERA_CHARSET_7BIT                          ? "DECN7"
                       : set == ZERA_CHARSET_DOS                           ? "DOSN8"
                                                                           : "";
    zvlib::copyText(h->tegnsett, navn);
    h->minN = h->minE = h->minH = -9999999.9;
    h->maxN = h->maxE = h->maxH = 9999999.9;
    h->enhet = 1.0;
    h->zeraVersjon = 2.1;
    h->zeraNivaa = 4;
}

} // namespace hodetest

#endif
