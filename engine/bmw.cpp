// STUB: replaced by the message register.
#include "kartmotor_int.h"
BmwStruct Bmw;
int16_t bmwRunKind;
int16_t bmwinit(void) { return 0; }
int16_t bmwclr(void) { return 0; }
int16_t bmwput(void) { return 0; }
int16_t bmwput_elm(void) { return 0; }
int16_t bmwput_tem(int16_t *) { return 0; }
int16_t bmwgetenv(const char *, char *, size_t) { return 0; }
int16_t sort_index(int32_t *, int32_t *, int32_t *, int32_t *) { return 1; }
int16_t bmw_meld(const char *, int, int16_t, int32_t) { return 0; }
int16_t bmw_elmfeil(const char *, int) { return 0; }
void bmw_sett(const char *, int, int16_t) {}
