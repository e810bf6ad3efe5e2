// The GIS build's database module taken down between tests and fuzz
// inputs: its records freed, the system functions and the project let go,
// so the next one starts from nothing.
#ifndef ZERAGG_GGMODUL_TESTING_H
#define ZERAGG_GGMODUL_TESTING_H

#include "gis/mdlgis.h"
#include "sys/mdlsys.h"
#include "zeraggdb.h"

inline void frigiGGModul()
{
    // Without its records the module may hold names into a settings record
    // already freed: nothing of it is touched then.
    if (zeraGGData != nullptr)
        FrigiGGDatabase();
    mdlMapSystem_setFunction(1, nullptr);
    mdlMapSystem_setFunction(2, nullptr);
    mdlMapProject_close();
    dlmSystem_mdlFree(zeraGGData);
    dlmSystem_mdlFree(zeraGGBrukerGrensesnittData);
    zeraGGData = nullptr;
    zeraGGBrukerGrensesnittData = nullptr;
    NullstillGGSystemFunksjoner();
}

#endif
