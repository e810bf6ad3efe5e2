// Message lists and formatting from them.
#include "rsc_int.h"

namespace rscint {
const std::string *findEntry(MdlDesc *desc, RscFileHandle handle, int listId, int entry)
{
    for (RscFile *f : searchedHandles(desc, handle, handle != nullptr)) {
        auto l = f->source->index.messages.find(listId);
        if (l == f->source->index.messages.end())
            continue;
        auto e = l->second.find(entry);
        if (e != l->second.end())
            return e->second;
    }
    return nullptr;
}

// The entry a call writes into out, with out emptied first; null when out
// takes no text or there is no such entry.
const std::string *entryFor(char *out, size_t outSize, RscFileHandle handle, int listId, int entry)
{
    if (out == nullptr || outSize == 0)
        return nullptr;
    out[0] = '\0';
    return findEntry(mdlSystem_getCurrMdlDesc(), handle, listId, entry);
}

} // namespace rscint

// ---- entry points: message lists ------------------------------------------------

int mdlResource_loadFromStringList(char *out, size_t outSize, RscFileHandle handle, int listId, int entry)
{
    if (out == nullptr || outSize == 0)
        return MDLHOST_RSC_BADARG;
    const std::string *t = entryFor(out, outSize, handle, listId, entry);
    if (t == nullptr)
        return MDLHOST_RSC_NOTFOUND;
    mdlhost::copyText(out, outSize, *t);
    return MDLHOST_RSC_OK;
}

int mdlOutput_rscsVPrintf(char *out, size_t outSize, RscFileHandle handle, int listId, int entry, va_list args)
{
    const std::string *format = entryFor(out, outSize, handle, listId, entry);
    if (format == nullptr)
        return 0;
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintf(out, outSize, format->c_str(), copy);
    va_end(copy);
    if (n < 0) {
        out[0] = '\0';
        return 0;
    }
    return (size_t)n < outSize ? n : (int)strlen(out);
}

int(mdlOutput_rscsPrintf)(char *out, size_t outSize, RscFileHandle handle, int listId, int entry, ...)
{
    va_list ap;
    va_start(ap, entry);
    int n = mdlOutput_rscsVPrintf(out, outSize, handle, listId, entry, ap);
    va_end(ap);
    return n;
}

int mdlhost_rscsPrintfNoArgs(char *out, size_t outSize, RscFileHandle handle, int listId, int entry)
{
    const std::string *format = entryFor(out, outSize, handle, listId, entry);
    if (format == nullptr)
        return 0;
    size_t n = 0;
    for (size_t i = 0; i < format->size() && n + 1 < outSize; i++) {
        char c = (*format)[i];
        if (c == '%' && i + 1 < format->size() && (*format)[i + 1] == '%')
            i++;
        out[n++] = c;
    }
    out[n] = '\0';
    return (int)n;
}

const char *mdlhost_messageListEntry(MdlDesc *desc, int listId, int entry)
{
    const std::string *t = findEntry(desc, nullptr, listId, entry);
    return t ? t->c_str() : nullptr;
}

int mdlOutput_rscPrintf(int field, int listId, int entry, ...)
{
    if (field < 0 || field > MDLHOST_MAXFIELD)
        return -1;
    // Field texts are one line of a status bar; longer entries are cut.
    char text[1024];
    va_list ap;
    va_start(ap, entry);
    mdlOutput_rscsVPrintf(text, sizeof text, nullptr, listId, entry, ap);
    va_end(ap);
    return mdlOutput_printf(field, "%s", text);
}
