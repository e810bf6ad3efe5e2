// The given-points linkage: what a ZERA group holds that its design
// element cannot (a text's reference point, an arc's heights, the node
// codes and piece number of a curve split at import), kept on the element
// by the import and read back by the export.
#pragma once

#include <cstdint>
#include <vector>

#include "dgn/mdldgn.h"

// Primary id of the linkage (a user linkage, LINKAGE_USER set).
constexpr uint16_t GITTE_LINKAGE_ID = 0x5A47;
constexpr uint16_t GITTE_VERSJON = 1;
// Points one linkage keeps at most.
constexpr int GITTE_MAKS_PUNKTER = 64;

struct GittPunkt {
    double n = 0, e = 0, h = 0; // ground units
    int16_t kp = 0;             // node code, 0 for none
};

struct Gitte {
    int32_t serie = 0;      // the group's serial
    uint16_t stykke = 0;    // piece number of a split curve, from 1; 0 whole
    uint16_t stykker = 0;   // pieces of that curve
    std::vector<GittPunkt> punkter;
};

// Appends g to el; non-zero, el unchanged, when it has too many points or
// the element would grow too large.
int LeggTilGitte(MSElement *el, const Gitte &g);
// The linkage of el in g; false when there is none, or it is damaged
// (wrong version, counts beyond its length).
bool LesGitte(const MSElement *el, Gitte &g);
