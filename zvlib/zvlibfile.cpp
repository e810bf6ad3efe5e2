// Control-file line reader and small file functions.
//
//   physical lines  readLine (one stream) -> readPhysicalLine (follows includes)
//   logical lines   zvlibFile_readCounted (comments, blanks, continuation)
//   file functions  directoryExists, GetShortPathName, delete, isReadOnly
#include "zvlibfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/mdlapp.h"
#include "sys/mdlsys.h"
#include "zvliberror.h"
#include "zvlibtext.h"

static_assert(ZVLIB_FILE_NAME_LEN == MDLHOST_MAXFILELENGTH, "paths cross to the host in its own buffers");

namespace {

constexpr int BOX_STYLE = 17;
constexpr char KEY_INCLUDE[] = "%include";
constexpr char KEY_IF_EXIST[] = "%if exist include";

enum class Line {
    ok,          // a line, its newline included when it had one
    endOfStream, // end of the stream, nothing read
    failed,      // the host reported an error
    nulByte,     // the line holds a NUL byte
    tooLong,     // longer than the buffer; its rest has been skipped
};

void showBox(int entry, ...)
{
    va_list ap;
    va_start(ap, entry);
    zvlibError_rscMsgBoxVPrintf(BOX_STYLE, ZVLIB_FILE_MSGLIST, entry, ap);
    va_end(ap);
}

// One physical line of fp into buf (size >= 2 bytes).  *len is its length
// with the newline, which counts even when only the newline did not fit.
// A line that does not fit is refused whole: returning its first part as a
// line of its own would split one record into two.
Line readLine(FILE *fp, char *buf, int size, int *len)
{
    int n = 0;
    bool nul = false;
    bool ferdig = false; // the newline or the end of the stream was reached
    while (n < size - 1) {
        int c = getc(fp);
        if (c == EOF) {
            ferdig = true;
            break;
        }
        nul = nul || c == '\0';
        buf[n++] = char(c);
        if (c == '\n') {
            ferdig = true;
            break;
        }
    }
    buf[n] = '\0';
    *len = n;
    if (ferror(fp))
        return Line::failed;
    if (n == 0 && ferdig)
        return Line::endOfStream;
    if (!ferdig) {
        int c = getc(fp);
        if (c == '\n') {
            (*len)++;
        } else if (c != EOF) {
            while (c != EOF && c != '\n')
                c = getc(fp);
            return ferror(fp) ? Line::failed : Line::tooLong;
        } else if (ferror(fp)) {
            return Line::failed;
        }
    }
    // Text functions would stop at a NUL and drop the rest of the line.
    return nul ? Line::nulByte : Line::ok;
}

ZvlibFile *innermost(ZvlibFile *file)
{
    while (file->child != nullptr)
        file = file->child;
    return file;
}

ZvlibFile *topOf(ZvlibFile *file)
{
    while (file->parent != nullptr)
        file = file->parent;
    return file;
}

// Keeps the first refusal in the top file, at the line last read in at.
void refuse(ZvlibFile *at, int kind, int limit, const std::string &detail = "")
{
    ZvlibFileRefusal &r = topOf(at)->refusal;
    if (r.kind != ZVLIB_FILE_REFUSED_NONE)
        return;
    r.kind = kind;
    r.line = at->lineNumber;
    r.limit = limit;
    zvlib::copyText(r.file, at->fileName);
    zvlib::copyText(r.detail, detail.c_str());
}

bool isAbsolute(const char *path)
{
    char c = path[0];
    return c == '/' || c == '\\' || (((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && path[1] == ':');
}

// fp is the same file as one already being read in the chain up from cur.
bool inChain(const ZvlibFile *cur, FILE *fp)
{
    struct stat ny;
    if (fstat(fileno(fp), &ny) != 0)
        return false;
    for (const ZvlibFile *f = cur; f != nullptr; f = f->parent) {
        struct stat st;
        if (fstat(fileno(f->fp), &st) == 0 && st.st_dev == ny.st_dev && st.st_ino == ny.st_ino)
            return true;
    }
    return false;
}

bool isRegularFile(FILE *fp)
{
    struct stat st;
    return fstat(fileno(fp), &st) == 0 && S_ISREG(st.st_mode);
}

// Opens the include named in a directive of cur and makes it cur's child.
// A file already open in the chain, one nested too deep, or one over the
// budget of all includes is refused: reading it again would replay every
// copy of the chain.  Refusals and failures show box 1 unless the
// directive is silent, and are kept as the top file's refusal; a silent
// directive's missing file is no refusal, but lost lines are.
bool openInclude(ZvlibFile *cur, const std::string &navn, bool stille)
{
    auto avvis = [cur, stille, &navn](const std::string &tekst, int kind = ZVLIB_FILE_REFUSED_INCLUDE,
                                      int limit = 0) {
        bool alleredeSagt = kind == ZVLIB_FILE_REFUSED_BUDGET && topOf(cur)->refusal.kind == kind;
        if (!stille && !alleredeSagt)
            showBox(ZVLIB_FILE_MSG_OPEN, tekst.c_str());
        if (!stille || kind == ZVLIB_FILE_REFUSED_DEPTH || kind == ZVLIB_FILE_REFUSED_BUDGET)
            refuse(cur, kind, limit, navn);
        return false;
    };
    int dybde = 1;
    for (const ZvlibFile *f = cur; f->parent != nullptr; f = f->parent)
        dybde++;
    if (dybde > ZVLIB_FILE_MAX_INCLUDES)
        return avvis(navn + " (includes nested deeper than " + std::to_string(ZVLIB_FILE_MAX_INCLUDES) + ")",
                     ZVLIB_FILE_REFUSED_DEPTH, ZVLIB_FILE_MAX_INCLUDES);
    ZvlibFile *top = topOf(cur);
    if (top->includesOpened >= ZVLIB_FILE_MAX_INCLUDED_FILES || top->includedBytes > ZVLIB_FILE_MAX_INCLUDED_BYTES)
        return avvis(navn + " (the includes read more than " + std::to_string(ZVLIB_FILE_MAX_INCLUDED_FILES) +
                         " files or " + std::to_string(ZVLIB_FILE_MAX_INCLUDED_BYTES >> 20) + " MB)",
                     ZVLIB_FILE_REFUSED_BUDGET, ZVLIB_FILE_MAX_INCLUDED_FILES);
    if (navn.empty())
        return avvis(navn);

    char sti[ZVLIB_FILE_NAME_LEN];
    if (mdlSystem_expandCfgVar(navn.c_str(), sti, sizeof sti) != 0)
        return avvis(navn);
    if (navn == sti) {
        char funnet[ZVLIB_FILE_NAME_LEN];
        if (mdlFile_find(funnet, sti, nullptr, nullptr) == 0) {
            zvlib::copyText(sti, funnet);
        } else if (!isAbsolute(sti)) {
            // A plain name is looked for beside the file that includes it.
            char dev[ZVLIB_FILE_NAME_LEN], dir[ZVLIB_FILE_NAME_LEN], bygget[ZVLIB_FILE_NAME_LEN];
            mdlFile_parseName(cur->fileName, dev, dir, nullptr, nullptr);
            if (mdlFile_buildName(bygget, dev, dir, sti, nullptr) != 0)
                return avvis(navn);
            // The host matches the name without case, as the files' home platform does.
            if (mdlFile_find(funnet, bygget, nullptr, nullptr) == 0)
                zvlib::copyText(sti, funnet);
            else
                zvlib::copyText(sti, bygget);
        }
    }

    FILE *fp = dlmSystem_mdlFopen(sti, "r");
    if (fp == nullptr)
        return avvis(sti);
    if (!isRegularFile(fp)) {
        dlmSystem_mdlFclose(fp);
        return avvis(sti);
    }
    if (inChain(cur, fp)) {
        dlmSystem_mdlFclose(fp);
        return avvis(std::string(sti) + " (include cycle)", ZVLIB_FILE_REFUSED_CYCLE);
    }
    auto *inc = static_cast<ZvlibFile *>(
        zvlibMem_mallocRscErrorPrintf(sizeof(ZvlibFile), ZVLIB_FILE_MSGLIST, ZVLIB_FILE_MSG_MEMORY));
    if (inc == nullptr) {
        dlmSystem_mdlFclose(fp);
        return false;
    }
    inc->fp = fp;
    inc->included = 1;
    inc->continuationChar = cur->continuationChar;
    inc->commentChar = cur->commentChar;
    inc->bufferSize = cur->bufferSize;
    inc->buffer = cur->buffer;
    zvlib::copyText(inc->fileName, sti);
    inc->child = nullptr;
    inc->parent = cur;
    inc->lineNumber = 0;
    inc->includesOpened = 0;
    inc->includedBytes = 0;
    inc->heldLength = 0;
    inc->startsRecord = nullptr;
    inc->startsRecordArg = nullptr;
    inc->refusal = ZvlibFileRefusal{};
    cur->child = inc;
    top->includesOpened++;
    return true;
}

// The name of a directive: the rest of the line without blanks, tabs and
// its line end.
std::string directiveName(const char *rest)
{
    std::string navn;
    for (const char *p = rest; *p; p++)
        if (*p != ' ' && *p != '\t' && *p != '\n' && *p != '\r')
            navn += *p;
    return navn;
}

// The next physical line of top, read in its innermost include.
Line readPhysicalLine(ZvlibFile *top, char *buf, int size, int *len)
{
    for (;;) {
        ZvlibFile *cur = innermost(top);
        Line st = readLine(cur->fp, buf, size, len);
        if (st == Line::endOfStream) {
            if (cur == top)
                return st;
            zvlibFile_close(cur);
            continue;
        }
        cur->lineNumber++;
        if (cur != top)
            top->includedBytes += *len;
        if (st != Line::ok)
            return st;
        bool stille = strncmp(buf, KEY_IF_EXIST, sizeof KEY_IF_EXIST - 1) == 0;
        if (stille || strncmp(buf, KEY_INCLUDE, sizeof KEY_INCLUDE - 1) == 0) {
            const char *rest = buf + (stille ? sizeof KEY_IF_EXIST : sizeof KEY_INCLUDE) - 1;
            if (openInclude(cur, directiveName(rest), stille))
                continue;
            // The logical reader skips the directive as a comment.
            buf[0] = cur->commentChar;
            if (buf[0] == '\0')
                *len = 0;
        }
        return Line::ok;
    }
}

bool onlyBlanks(const char *s, int n)
{
    for (int i = 0; i < n; i++)
        if (s[i] != ' ')
            return false;
    return true;
}

} // namespace

ZvlibFile *zvlibFile_openExtended(const char *path, const char *mode, const char *continuation, const char *comment,
                                  int bufferSize)
{
    static const char *const modes[] = {"r", "w", "a"};
    bool kjent = false;
    for (const char *m : modes)
        kjent = kjent || (mode != nullptr && strcmp(mode, m) == 0);
    if (!kjent) {
        showBox(ZVLIB_FILE_MSG_OPEN, "Unknown file open mode");
        return nullptr;
    }
    if (path == nullptr || strlen(path) >= ZVLIB_FILE_NAME_LEN) {
        showBox(ZVLIB_FILE_MSG_OPEN, path != nullptr ? path : "");
        return nullptr;
    }
    FILE *fp = dlmSystem_mdlFopen(path, mode);
    if (fp == nullptr) {
        showBox(ZVLIB_FILE_MSG_OPEN, path);
        return nullptr;
    }
    if (bufferSize < 2)
        bufferSize = ZVLIB_FILE_BUFFER_SIZE;
    auto *file = static_cast<ZvlibFile *>(
        zvlibMem_mallocRscErrorPrintf(sizeof(ZvlibFile), ZVLIB_FILE_MSGLIST, ZVLIB_FILE_MSG_MEMORY));
    char *buffer = file == nullptr ? nullptr
                                   : static_cast<char *>(zvlibMem_mallocRscErrorPrintf(
                                         size_t(bufferSize), ZVLIB_FILE_MSGLIST, ZVLIB_FILE_MSG_MEMORY));
    if (buffer == nullptr) {
        dlmSystem_mdlFree(file);
        dlmSystem_mdlFclose(fp);
        return nullptr;
    }
    file->fp = fp;
    file->included = 0;
    file->continuationChar = continuation != nullptr ? continuation[0] : '\\';
    file->commentChar = comment != nullptr ? comment[0] : '#';
    file->bufferSize = bufferSize;
    file->buffer = buffer;
    zvlib::copyText(file->fileName, path);
    file->child = nullptr;
    file->parent = nullptr;
    file->lineNumber = 0;
    file->includesOpened = 0;
    file->includedBytes = 0;
    file->heldLength = 0;
    file->startsRecord = nullptr;
    file->startsRecordArg = nullptr;
    file->refusal = ZvlibFileRefusal{};
    return file;
}

ZvlibFile *zvlibFile_open(const char *path, const char *mode)
{
    return zvlibFile_openExtended(path, mode, "\\", "#", ZVLIB_FILE_BUFFER_SIZE);
}

ZvlibFile *zvlibFile_openHWSpesific(const char *path, const char *mode)
{
    return zvlibFile_openExtended(path, mode, "\\", "#", ZVLIB_FILE_BUFFER_SIZE);
}

int zvlibFile_close(ZvlibFile *file)
{
    if (file == nullptr)
        return 0;
    if (file->child != nullptr)
        zvlibFile_close(file->child);
    int status = dlmSystem_mdlFclose(file->fp);
    if (status != 0)
        showBox(ZVLIB_FILE_MSG_CLOSE, file->fileName);
    if (!file->included)
        dlmSystem_mdlFree(file->buffer);
    if (file->parent != nullptr)
        file->parent->child = nullptr;
    dlmSystem_mdlFree(file);
    return status;
}

int zvlibFile_rewind(ZvlibFile *file)
{
    if (file == nullptr)
        return -1;
    if (file->child != nullptr)
        zvlibFile_close(file->child);
    rewind(file->fp);
    file->lineNumber = 0;
    file->heldLength = 0;
    return 0;
}

char *zvlibFile_fgets(char *buffer, int size, ZvlibFile *file)
{
    if (buffer == nullptr || size < 2 || file == nullptr)
        return nullptr;
    int len;
    return readPhysicalLine(file, buffer, size, &len) == Line::ok ? buffer : nullptr;
}

int zvlibFile_readCounted(char *line, char *comment, ZvlibFile *file, int capacity, int *lines)
{
    *lines = 0;
    if (line == nullptr || file == nullptr || capacity <= 0)
        return -1;
    line[0] = '\0';
    if (comment != nullptr)
        comment[0] = '\0';
    char *buf = file->buffer;
    int brukt = 0;          // characters in line
    bool fortsetter = false; // the last line joined ended in the continuation character
    for (;;) {
        int len = file->heldLength;
        Line st = Line::ok;
        if (len > 0) // read ahead by the call before, already counted
            file->heldLength = 0;
        else
            st = readPhysicalLine(file, buf, file->bufferSize, &len);
        if (st == Line::endOfStream) {
            if (!fortsetter) {
                line[0] = '\0';
                if (comment != nullptr)
                    comment[0] = '\0';
                return 0;
            }
            // The file ends inside a continued line: keep what was joined
            // rather than lose the last record without a word.
            line[--brukt] = '\0';
            return *lines;
        }
        (*lines)++;
        ZvlibFile *her = innermost(file);
        if (st == Line::failed || st == Line::nulByte) {
            showBox(ZVLIB_FILE_MSG_READ, her->fileName, her->lineNumber);
            refuse(her, st == Line::failed ? ZVLIB_FILE_REFUSED_READ : ZVLIB_FILE_REFUSED_NUL, 0);
            return -1;
        }
        if (st == Line::tooLong) {
            showBox(ZVLIB_FILE_MSG_TOO_LONG, file->bufferSize, her->fileName, her->lineNumber);
            refuse(her, ZVLIB_FILE_REFUSED_TOO_LONG, file->bufferSize - 1);
            return -1;
        }
        if (fortsetter && file->startsRecord != nullptr && file->startsRecord(buf, file->startsRecordArg) != 0) {
            // The line before ends here as it was written; this one is the
            // next call's.
            file->heldLength = len;
            (*lines)--;
            line[brukt - 1] = file->continuationChar;
            return *lines;
        }
        if (brukt + len >= capacity) {
            showBox(ZVLIB_FILE_MSG_TOO_LONG, capacity, her->fileName, her->lineNumber);
            refuse(her, ZVLIB_FILE_REFUSED_JOINED_TOO_LONG, capacity - 1);
            return -1;
        }

        int n = int(strlen(buf));
        if (n > 0 && buf[n - 1] == '\n')
            n--;
        if (n > 0 && buf[n - 1] == '\r') // a CR LF line end reads as LF
            n--;
        if (comment != nullptr) {
            const char *semi = static_cast<const char *>(memchr(buf, ';', size_t(n)));
            if (semi != nullptr) {
                int rest = n - int(semi + 1 - buf);
                zvlib::copyText(comment, size_t(capacity), std::string_view(semi + 1, size_t(rest)));
                n = int(semi - buf);
            } else {
                comment[0] = '\0';
            }
        }
        if (n > 0 && file->commentChar != '\0' && buf[0] == file->commentChar)
            continue;
        if (onlyBlanks(buf, n))
            continue;
        while (n > 0 && (buf[n - 1] == ' ' || buf[n - 1] == '\t'))
            n--;
        // brukt + n + 1 <= brukt + len < capacity: the text, its joining
        // blank and the terminator fit.
        if (n > 0 && file->continuationChar != '\0' && buf[n - 1] == file->continuationChar) {
            memcpy(line + brukt, buf, size_t(n - 1));
            brukt += n - 1;
            line[brukt++] = ' ';
            line[brukt] = '\0';
            fortsetter = true;
            continue;
        }
        memcpy(line + brukt, buf, size_t(n));
        brukt += n;
        line[brukt] = '\0';
        return *lines;
    }
}

void zvlibFile_setRecordStart(ZvlibFile *file, ZvlibFileLineTest test, void *arg)
{
    if (file == nullptr)
        return;
    file->startsRecord = test;
    file->startsRecordArg = arg;
}

const ZvlibFileRefusal *zvlibFile_firstRefusal(const ZvlibFile *file)
{
    return file != nullptr && file->refusal.kind != ZVLIB_FILE_REFUSED_NONE ? &file->refusal : nullptr;
}

int zvlibFile_read(char *line, ZvlibFile *file, int capacity)
{
    int lines;
    return zvlibFile_readCounted(line, nullptr, file, capacity, &lines);
}

int zvlibFile_read2(char *line, char *comment, ZvlibFile *file, int capacity)
{
    int lines;
    // The line is cut at ';' only when there is a comment out to cut into.
    if (comment == nullptr && capacity > 0) {
        std::string kast(size_t(capacity), '\0');
        return zvlibFile_readCounted(line, kast.data(), file, capacity, &lines);
    }
    return zvlibFile_readCounted(line, comment, file, capacity, &lines);
}

// --- file functions ----------------------------------------------------------

namespace {

// The local path of a system path; "" when it does not fit.
std::string localPath(const char *path)
{
    char ut[PATH_MAX];
    if (path == nullptr)
        return "";
    return mdlhost_mapPath(ut, sizeof ut, path);
}

} // namespace

int zvlibFile_directoryExists(const char *path)
{
    std::string p = localPath(path);
    struct stat st;
    return !p.empty() && stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 1 : 0;
}

char *zvlibFile_GetShortPathName(const char *path)
{
    static char kort[ZVLIB_FILE_NAME_LEN];
    kort[0] = '\0';
    // A cut path would name another file: give none instead.
    if (path != nullptr && strlen(path) < sizeof kort)
        zvlib::copyText(kort, path);
    return kort;
}

int zvlibFile_delete(const char *path)
{
    std::string p = localPath(path);
    return !p.empty() && remove(p.c_str()) == 0 ? 0 : -1;
}

int zvlibFile_isReadOnly(const char *fileName)
{
    std::string p = localPath(fileName);
    struct stat st;
    if (p.empty() || stat(p.c_str(), &st) != 0)
        return 0;
    // A superuser may write whatever the bits say, so the bits decide.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return 1;
    return access(p.c_str(), W_OK) == 0 ? 0 : 1;
}
