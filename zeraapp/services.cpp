// STUB (minimal): replaced by the services the engine links.
#include "zvzera_services.h"
#include <cstdlib>
#include <cstring>
int c_txt(char *, short *, char *out)
{
    out[0] = '\0';
    return 1;
}
int ZeraVersjonHarToDesimaler(double version)
{
    int n = (int)(version * 100 + 0.00001);
    return n > 10 * (n / 10) ? 1 : 0;
}
const char *getZvZeraVersionInfo(int selector)
{
    switch (selector) {
    case 1: return "03.04 - 04.12.2009";
    case 3: return "ZVZERA  Import";
    case 4: return "ZVZERA  Export";
    default: return "";
    }
}
void SkalppHoydeSkrives(int, short *lineFlag, short *pointFlag, const char *theme, int type, MdlFunctionP)
{
    int n = atoi(theme);
    if (type == 1)
        *pointFlag = (n == 2101 || n == 2102 || n == 2103 || n == 2106);
    else
        *lineFlag = (n == 2001 || n == 2003 || n == 2004 || n == 3001 || n == 3004 || n == 3101 || n == 3102);
}
const char *FinnZeraElementType(int type) { return type < 3 ? "P" : type <= 9 ? "L" : type == 10 ? "T" : "F"; }
void FinnZeraElementNavn(char *name, int) { name[0] = '\0'; }
