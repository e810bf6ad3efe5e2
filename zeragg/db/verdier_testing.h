// Values that would change a statement built from them unquoted, or that
// the back ends treat apart (backslashes, LIKE wild cards, Latin-1 letters):
// every statement of the GIS build must store them exactly.
#ifndef ZERAGG_VERDIER_TESTING_H
#define ZERAGG_VERDIER_TESTING_H

namespace ggtesting {

inline const char *const kHostile[] = {
    "Per's hus",
    "'",
    "''",
    "a';b",
    "x'); DELETE FROM genattr; --",
    "back\\slash\\",
    "D:\\kart\\",
    "100%_ferdig",
    "_%",
    "1 OR 1=1",
    "semi;colon",
    "\"dobbel\"",
    "navn",
    "Bj\xF8rnstad \xC6\xD8\xC5 \xE6\xF8\xE5",
};

} // namespace ggtesting

#endif
