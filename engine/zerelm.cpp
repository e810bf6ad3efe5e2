// STUB: replaced by the element parser.
#include "kartmotor_int.h"
int16_t zerget_elm(const char *, SheadStruct *, ScharStruct *, int32_t *, int16_t *) { return -1; }
int16_t zerget_rest(const char *, ScharStruct *, int16_t *) { return -1; }
void zerget_gid(const char *) {}
int16_t zerget_ref(const char *) { return -1; }
