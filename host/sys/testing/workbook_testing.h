// The spreadsheet link's workbook files (read, written, their limits), for
// the workbook fuzzer.
#ifndef MDLHOST_WORKBOOK_TESTING_H
#define MDLHOST_WORKBOOK_TESTING_H

#include "sys/svc_int.h"

#endif
