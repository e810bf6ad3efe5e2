// Shared inside host/sys: not exported.
#ifndef MDLHOST_SYS_INT_H
#define MDLHOST_SYS_INT_H

#include "base/text_host.h"
#include "sys/sys_host.h"

namespace mdlhost {

// Echo and log of the text window and the message centre.
void outputText(const char *text);
void outputMessage(int type, const char *text);

} // namespace mdlhost

#endif
