// STUB: replaced by the character-set module.
#include "kartmotor_int.h"
int16_t bbs_cstr78(char *, int16_t *, int16_t *) { return 0; }
int16_t schar_init(int16_t *, ScharStruct *) { return -2; }
int16_t shead_init(int16_t *, SheadStruct *, ScharStruct *) { return -2; }
const char *tegnsett_navn(int) { return ""; }
