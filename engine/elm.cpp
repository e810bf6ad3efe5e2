// The current element record and the option words (the type codes are in kartmotor_typer.h).
#include <cstring>

#include "kartmotor_int.h"

ElmStruct Elm;

int32_t geoGraphics;
int32_t lagreNOH;
int32_t lagreNivaa4;
int32_t lagreObjType;
int32_t eksporterZeratema;
int32_t eksporterObjekttype;
int32_t temaFra;
int32_t matchLevel;
int32_t matchColor;
int32_t matchStyle;
int32_t matchWeight;
int32_t multHoyde;
int32_t hoydeAvrunding;

// Points, node codes, references and the height are left alone: their
// counts govern them, and clearing 400 KB per group would cost the import.
void elmclr(void)
{
    Elm.mode = 0;
    Elm.type = 0;
    Elm.serial = 0;
    Elm.refCount = 0;
    Elm.themeCount = 0;
    Elm.theme[0][0] = '\0';
    Elm.themeCode[0][0] = '\0';
    Elm.level[0] = '\0';
    Elm.enhet = 0.0;
    Elm.medium[0] = '\0';
    memset(Elm.kvalitet, 0, sizeof Elm.kvalitet);
    Elm.dato = 0;
    Elm.hob = 0.0;
    Elm.komm = 0;
    Elm.href[0] = '\0';
    Elm.status[0] = '\0';
    Elm.objtype[0] = '\0';
    Elm.ut = 0;
    Elm.edit = 0;
    Elm.flytt[0] = Elm.flytt[1] = 0.0;
    Elm.angle = 0.0;
    Elm.dim[0] = Elm.dim[1] = 0.0;
    Elm.glatt = 0;
    Elm.pointCount = 0;
    Elm.radius = 0.0;
    Elm.storbue = 0;
    Elm.klotrad1 = Elm.klotrad2 = Elm.klotpar = 0.0;
    Elm.text[0] = '\0';
    Elm.sameHeight = 0;
    Elm.hasHoyde = 0;
    Elm.rest[0] = '\0';
    Elm.restLen = 0;
    Elm.style = 0;
    Elm.symbol[0][0] = '\0';
    Elm.symbolCount = 0;
    Elm.colour = 0;
    Elm.weight = 0;
    Elm.cell[0] = 0;
    Elm.cellScaleX = 1.0;
    Elm.cellScaleY = 1.0;
    Elm.font = 1;
}
