// STUB: replaced by the theme, symbol and object-type tables.
#include "kartmotor_int.h"
MstemtabStruct Mstemtab;
FkbtabStruct Fkbtab;
SymboltabStruct Symboltab;
ZeraTemaObjStruct *stot;
MstemtabXmlStruct MstemtabXml;
uint8_t xmlDocPending;
int mt_init(const char *, int) { return -2; }
int mt_creat(const char *, const char *, int) { return -2; }
int st_create(const char *) { return 0; }
ZeraTemaObjStruct *allocateZeraTemaObjStruct(void) { return nullptr; }
const char *mt_objtema(const char *, int16_t *) { return nullptr; }
char *trim_left(char *t) { return t; }
void trim_right(char *) {}
char *trim_both(char *t) { return t; }
const char *mt_fkbgruppe(long) { return "FKB"; }
