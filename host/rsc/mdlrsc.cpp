// STUB (minimal): replaced by the full resource module.
#include "rsc/mdlrsc.h"

int mdlResource_openFile(RscFileHandle *handle, const char *, int)
{
    *handle = nullptr;
    return -1;
}
void mdlResource_closeFile(RscFileHandle) {}
int mdlhost_openResourceFor(MdlDesc *, const char *) { return -1; }
int mdlOutput_rscsPrintf(char *out, size_t outSize, RscFileHandle, int, int, ...)
{
    if (outSize)
        out[0] = '\0';
    return 0;
}
const char *mdlhost_messageListEntry(MdlDesc *, int, int) { return nullptr; }
