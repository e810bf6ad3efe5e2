// The GIS build's frame: what its start-up, end, about box and command
// table do beside the application's own.  The application's frame
// (zeraapp/zvzera.cpp) calls these only when compiled with ZVZERA_GG_BYGG.
#ifndef ZERAGG_GGRAMME_H
#define ZERAGG_GGRAMME_H

#include "app/mdlcmd.h"

// The message-centre warning when the project's topology works in two
// dimensions; nothing otherwise or without a project.
void GGVarsleTopologi(void);
// After the engine's object-type table is allocated: connects to the GIS
// project and copies the feature codes with their object types into stot.
// Non-zero: no project, the application ends.
int GGKobleTil(void);
// Publishes the GIS dialog record as "sGGbgd".
void GGPubliser(void);
// The host unloads the application: the map application ends, and the
// database module lets go of the settings record.
void GGVedUtlasting(int grunn);
// The two GIS records freed, their pointers cleared (the settings record
// is gone by then).
void GGFrigjor(void);
// The about box of this build.
void GGTegnIntroBoks(int timeout);
// The ten commands of this build, ended by {nullptr, 0}; and the three named
// commands registered.
const MdlCommandNumber *GGKommandoer(void);
void GGRegistrerKommandoNavn(void);

#endif
