// STUB: replaced by the LandXML output.
#include "kartmotor_int.h"
int32_t xmlOn;
int32_t xmlRun;
char xmlFileName[ZERA_PATH_LEN];
void settXML(int on) { xmlOn = on; }
void settXMLFil(const char *f) { kopier(xmlFileName, sizeof xmlFileName, f); }
char *getXMLFile(void) { return xmlFileName; }
int32_t mt_temanr(const char *) { return 0; }
void landxml_start(void) {}
void landxml_element(int32_t) {}
void landxml_save(void) {}
