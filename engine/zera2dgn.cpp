// STUB: replaced by the import and scan drivers.
#include "kartmotor_int.h"
int16_t perf_zera2dgn(const char *, const char *, const char *, const char *, int, MdlFunctionP, MdlFunctionP,
                      MdlFunctionP, MdlFunctionP) { return -2; }
int pzerscan(const char *, const char *, const char *, const char *, int, MdlFunctionP, MdlFunctionP) { return -2; }
