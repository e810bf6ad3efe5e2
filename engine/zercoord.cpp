// STUB: replaced by the coordinate reader.
#include "kartmotor_int.h"
int16_t zerget_coord(const char *, SheadStruct *, ScharStruct *) { return -1; }
int16_t zerget_bue(void) { return -1; }
int16_t bmwmaxmin(double *, double *, double *, double *, int16_t *) { return 0; }
int16_t zerget_streng(const char *, int16_t *) { return -1; }
int16_t zerget_ptema(ScharStruct *, char *, size_t, const char *, const char *, const char **) { return -1; }
