// STUB (minimal): replaced by the full system module.
#include "sys/mdlsys.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

FILE *dlmSystem_mdlFopen(const char *name, const char *mode) { return name ? fopen(name, mode) : nullptr; }
int dlmSystem_mdlFclose(FILE *fp) { return fp ? fclose(fp) : -1; }
char *mdlhost_mapPath(char *out, size_t outSize, const char *name)
{
    snprintf(out, outSize, "%s", name);
    return out;
}
int mdlFile_parseName(const char *, char *device, char *directory, char *name, char *extension)
{
    for (char *p : {device, directory, name, extension})
        if (p)
            *p = '\0';
    return 0;
}
void *dlmSystem_mdlMalloc(size_t size) { return malloc(size); }
void *dlmSystem_mdlRealloc(void *block, size_t size) { return realloc(block, size); }
void dlmSystem_mdlFree(void *block) { free(block); }

static std::string textWindow;
void toolSubsystem_printf(const char *format, ...)
{
    char buf[4096];
    va_list ap;
    va_start(ap, format);
    vsnprintf(buf, sizeof buf, format, ap);
    va_end(ap);
    textWindow += buf;
}
const char *mdlhost_textWindow(void) { return textWindow.c_str(); }
void mdlhost_clearTextWindow(void) { textWindow.clear(); }

static std::vector<std::pair<int, std::string>> centre;
void mdlOutput_messageCenter(int messageType, const char *text) { centre.emplace_back(messageType, text ? text : ""); }
const char *mdlhost_messageCenterText(int n, int *messageType)
{
    if (n < 0 || n >= (int)centre.size())
        return nullptr;
    auto &m = centre[centre.size() - 1 - n];
    if (messageType)
        *messageType = m.first;
    return m.second.c_str();
}
int mdlhost_messageCenterCount(void) { return (int)centre.size(); }
void mdlhost_clearMessageCenter(void) { centre.clear(); }
int mdlSystem_getCfgVar(char *out, const char *name, int outSize)
{
    const char *v = getenv(name);
    if (!v || (int)strlen(v) >= outSize)
        return -1;
    snprintf(out, outSize, "%s", v);
    return 0;
}
int mdlSystem_defineCfgVar(const char *, const char *) { return 0; }
int mdlCnv_convertMultibyteToUnicode(const char *mb, int mbLen, char16_t *wide, int maxChars)
{
    int n = 0;
    if (maxChars <= 0)
        return 0;
    for (; mb && (mbLen < 0 || n < mbLen) && mb[n] && n < maxChars - 1; n++)
        wide[n] = (unsigned char)mb[n];
    wide[n] = 0;
    return n;
}
int mdlCnv_convertUnicodeToMultibyte(const char16_t *wide, int wideLen, char *mb, int maxBytes)
{
    int n = 0;
    if (maxBytes <= 0)
        return 0;
    for (; wide && (wideLen < 0 || n < wideLen) && wide[n] && n < maxBytes - 1; n++)
        mb[n] = wide[n] > 255 ? '?' : (char)wide[n];
    mb[n] = 0;
    return n;
}
void mdlhost_failNext(const char *, int) {}
