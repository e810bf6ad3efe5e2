// STUB: replaced by the header parser.
#include "kartmotor_int.h"
int16_t zerget_head(const char *, SheadStruct *, ScharStruct *) { return -2; }
int zerget_headinfo(const char *, SheadStruct *, int32_t *, MdlFunctionP) { return 1; }
