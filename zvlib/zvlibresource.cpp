// Resource files through a ZvHandle.
#include "zvlibresource.h"

#include <cstdio>
#include <cstring>

#include "zvlibtext.h"

namespace {

bool isOpen(const ZvHandle *zh) { return zh != nullptr && zh->handle != nullptr; }

// The host's write status as the library's result, with the box that names
// the file.
int writeStatus(const ZvHandle *zh, int status)
{
    if (status == 0)
        return 0;
    int entry = status == MDLHOST_RSC_READONLY ? ZVLIB_RSC_MSG_READONLY : ZVLIB_RSC_MSG_WRITE;
    zvlibError_rscMsgBoxPrintf(ZVLIB_RSC_BOX_STYLE, ZVLIB_RSC_MSGLIST, entry, zh->path);
    return ZVLIB_FAILURE;
}

} // namespace

int zvlibResource_openFile(ZvHandle *zh, const char *path, int mode)
{
    if (zh == nullptr)
        return ZVLIB_FAILURE;
    zh->handle = nullptr;
    if (path == nullptr)
        path = "";
    // A cut path would open another file than the one asked for.
    if (strlen(path) >= sizeof zh->path) {
        zh->path[0] = '\0';
        zvlibError_rscMsgBoxPrintf(ZVLIB_RSC_BOX_STYLE, ZVLIB_RSC_MSGLIST, ZVLIB_RSC_MSG_OPEN, path);
        return ZVLIB_FAILURE;
    }
    zvlib::copyText(zh->path, path);

    int hostMode = mode == ZVLIB_RSC_READONLY ? MDLHOST_RSC_READ : MDLHOST_RSC_READWRITE;
    if (mdlResource_openFile(&zh->handle, zh->path, hostMode) == 0)
        return 0;
    zh->handle = nullptr;
    if (hostMode == MDLHOST_RSC_READ) {
        zvlibError_rscMsgBoxPrintf(ZVLIB_RSC_BOX_STYLE, ZVLIB_RSC_MSGLIST, ZVLIB_RSC_MSG_OPEN_READ, zh->path);
        return ZVLIB_FAILURE;
    }
    // The host refuses to create over an existing file, so a file that
    // exists but cannot be written is never replaced by an empty one.
    if (mdlResource_createFile(zh->path, ZVLIB_RSC_DESCRIPTION, MDLHOST_RSC_READWRITE) == 0 &&
        mdlResource_openFile(&zh->handle, zh->path, MDLHOST_RSC_READWRITE) == 0)
        return 0;
    zh->handle = nullptr;
    zvlibError_rscMsgBoxPrintf(ZVLIB_RSC_BOX_STYLE, ZVLIB_RSC_MSGLIST, ZVLIB_RSC_MSG_OPEN, zh->path);
    return ZVLIB_FAILURE;
}

void zvlibResource_closeFile(ZvHandle *zh)
{
    if (!isOpen(zh))
        return;
    mdlResource_closeFile(zh->handle);
    zh->handle = nullptr;
}

int zvlibResource_add(ZvHandle *zh, unsigned int type, long id, const void *data, size_t length, const char *alias)
{
    if (!isOpen(zh) || data == nullptr)
        return ZVLIB_FAILURE;
    // Replacing with exactly the new bytes: a copy over the loaded block
    // would overrun it when the new one is longer and leave a stale tail
    // when it is shorter.
    int status;
    if (mdlResource_query(zh->handle, type, id, nullptr) == 0)
        status = mdlResource_replace(zh->handle, type, id, data, length);
    else
        status = mdlResource_add(zh->handle, type, id, data, length, alias);
    return writeStatus(zh, status);
}

int zvlibResource_load(ZvHandle *zh, unsigned int type, long id, void *buffer, size_t length)
{
    if (!isOpen(zh) || buffer == nullptr)
        return ZVLIB_FAILURE;
    // The host refuses a stored block shorter than the request rather than
    // reading past it; the caller keeps what its buffer held.
    return mdlResource_loadInto(zh->handle, type, id, buffer, length) == 0 ? 0 : ZVLIB_FAILURE;
}

int zvlibResource_addStringList(ZvHandle *zh, long id, const StringList *list)
{
    if (!isOpen(zh) || list == nullptr)
        return ZVLIB_FAILURE;
    StringList *stored = mdlStringList_loadResource(zh->handle, id);
    int status;
    if (stored != nullptr) {
        mdlStringList_destroy(stored);
        status = mdlStringList_writeResource(zh->handle, id, list);
    } else {
        status = mdlStringList_addResource(zh->handle, id, list);
    }
    return writeStatus(zh, status);
}

StringList *zvlibResource_loadStringList(ZvHandle *zh, long id)
{
    if (!isOpen(zh))
        return nullptr;
    return mdlStringList_loadResource(zh->handle, id);
}
