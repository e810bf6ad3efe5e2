// STUB: replaced by the report writer.
#include "kartmotor_int.h"
void bmw_ctxt(MdlFunctionP, const char *, int, char out[BMW_CTXT_LEN]) { out[0] = '\0'; }
int exit_zera2dgn(const char *, const char *, const char *, const char *, int, MdlFunctionP) { return -1; }
