// STUB: replaced by the ZERA writer.
#include "kartmotor_int.h"
SheadStruct Shead;
ScharStruct Schar;
FILE *Filep_tmpzer;
int init_dgn2zera(const char *, const char *, SheadStruct *, MdlFunctionP) { return -2; }
int perf_dgn2zera(MdlFunctionP, MdlFunctionP) { return 3; }
int exit_dgn2zera(const char *, const char *, const char *, const char *, const char *, const char *, MdlFunctionP) { return 1; }
int zercre_head(const char *, SheadStruct *, int) { return 1; }
int16_t zerput_elm(FILE *, SheadStruct *, ScharStruct *, MdlFunctionP) { return 1; }
int16_t zerput_coord(SheadStruct *, int16_t *) { return 1; }
int16_t zerput_rest(const char *) { return 1; }
