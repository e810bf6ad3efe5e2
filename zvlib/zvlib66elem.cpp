// Application data in type-66 application elements: building, adding,
// reading and scanning them, and packing typed fields into their data.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "mdlhost.h"
#include "zvlib66elem.h"
#include "zvliberror.h"
#include "zvlibutil.h"

// The element header zvlib writes is the host's Elm_hdr, byte for byte.
static_assert(offsetof(Elm_hdr, type) == 0 && offsetof(Elm_hdr, elementSize) == 4);
static_assert(offsetof(Elm_hdr, attrOffset) == 8 && offsetof(Elm_hdr, level) == 12);
static_assert(sizeof(Elm_hdr) == 32 && ELM_APPL_BODY_OFFSET == 32);
// The largest data fills the buffer to its last word.
static_assert(ZVLIB_66ELEM_HEADER_BYTES + ZVLIB_66ELEM_MAX_DATA + 1 <= ZVLIB_66ELEM_BUFFER_SIZE);

namespace {

constexpr int HEADER_WORDS = ZVLIB_66ELEM_HEADER_BYTES / 2;
constexpr int SIGNATURE_AT = 32;
constexpr int APPLICATION_AT = 34;
constexpr int VERSION_AT = 36;
constexpr int LIST_ERROR_BOXES = 20005;
constexpr int ENTRY_DWG_NOT_KEPT = 28;
constexpr int STYLE_WARNING = 17;
// Positions read from the host per scan call.
constexpr int SCAN_BATCH = 64;

void putU16(unsigned char *at, unsigned v)
{
    at[0] = static_cast<unsigned char>(v & 0xFFu);
    at[1] = static_cast<unsigned char>((v >> 8) & 0xFFu);
}

void putU32(unsigned char *at, uint32_t v)
{
    putU16(at, v & 0xFFFFu);
    putU16(at + 2, v >> 16);
}

unsigned getU16(const unsigned char *at) { return at[0] | (unsigned(at[1]) << 8); }

bool fitsU16(int v) { return v >= 0 && v <= 0xFFFF; }

// Room for n bytes at offset of a buffer of size bytes.
bool fits(int offset, long long n, int size) { return offset >= 0 && n >= 0 && offset + n <= size; }

int packField(char *buffer, int capacity, int *offset, int type, va_list ap)
{
    if (buffer == nullptr || offset == nullptr)
        return ZVLIB_FAILURE;
    const int at = *offset;
    switch (type) {
    case ZVLIB_FIELD_DOUBLE: {
        double value = va_arg(ap, double), stored = 0;
        if (!fits(at, sizeof stored, capacity))
            return ZVLIB_FAILURE;
        mdlCnv_doubleToFileFormat(&stored, &value);
        std::memcpy(buffer + at, &stored, sizeof stored);
        *offset = at + int(sizeof stored);
        return 0;
    }
    case ZVLIB_FIELD_TEXT: {
        const char *text = va_arg(ap, const char *);
        if (text == nullptr)
            return ZVLIB_FAILURE;
        const size_t n = strlen(text) + 1;
        if (!fits(at, static_cast<long long>(n), capacity))
            return ZVLIB_FAILURE;
        std::memcpy(buffer + at, text, n);
        *offset = at + int(n);
        return 0;
    }
    case ZVLIB_FIELD_CHAR: {
        const char *c = va_arg(ap, const char *);
        if (c == nullptr || !fits(at, 1, capacity))
            return ZVLIB_FAILURE;
        buffer[at] = *c;
        *offset = at + 1;
        return 0;
    }
    case ZVLIB_FIELD_SHORT: {
        const int16_t *s = va_arg(ap, const int16_t *);
        if (s == nullptr || !fits(at, sizeof *s, capacity))
            return ZVLIB_FAILURE;
        std::memcpy(buffer + at, s, sizeof *s);
        *offset = at + int(sizeof *s);
        return 0;
    }
    case ZVLIB_FIELD_BYTES: {
        const void *bytes = va_arg(ap, const void *);
        const int n = va_arg(ap, int);
        if ((bytes == nullptr && n > 0) || !fits(at, n, capacity))
            return ZVLIB_FAILURE;
        if (n > 0)
            std::memcpy(buffer + at, bytes, static_cast<size_t>(n));
        *offset = at + n;
        return 0;
    }
    case ZVLIB_FIELD_INT32: {
        const int32_t v = va_arg(ap, int32_t);
        if (!fits(at, sizeof v, capacity))
            return ZVLIB_FAILURE;
        std::memcpy(buffer + at, &v, sizeof v);
        *offset = at + int(sizeof v);
        return 0;
    }
    default:
        return ZVLIB_FIELD_UNSUPPORTED;
    }
}

} // namespace

int zvlib66Elem_saveData(MSElement *buffer, int applicationId, int version, const void *data, int bytes)
{
    if (buffer == nullptr || bytes < 0 || bytes > ZVLIB_66ELEM_MAX_DATA || (bytes > 0 && data == nullptr) ||
        !fitsU16(applicationId) || !fitsU16(version))
        return ZVLIB_FAILURE;
    auto *b = reinterpret_cast<unsigned char *>(buffer);
    const uint32_t words = HEADER_WORDS + (static_cast<uint32_t>(bytes) + 1) / 2;
    std::memset(b, 0, ZVLIB_66ELEM_HEADER_BYTES);
    putU32(b, MICROSTATION_ELM);
    putU32(b + 4, words);
    putU32(b + 8, words);
    putU32(b + 12, ZVLIB_66ELEM_LEVEL);
    putU16(b + SIGNATURE_AT, ZVLIB_66ELEM_SIGNATURE);
    putU16(b + APPLICATION_AT, static_cast<unsigned>(applicationId));
    putU16(b + VERSION_AT, static_cast<unsigned>(version));
    if (bytes > 0)
        std::memcpy(b + ZVLIB_66ELEM_HEADER_BYTES, data, static_cast<size_t>(bytes));
    if (bytes % 2 != 0)
        b[ZVLIB_66ELEM_HEADER_BYTES + bytes] = 0;
    return 0;
}

int zvlib66Elem_saveDataToFile(int applicationId, int version, const void *data, int bytes, int *filePos)
{
    if (filePos != nullptr)
        *filePos = 0;
    auto el = std::make_unique<MSElement>();
    if (zvlib66Elem_saveData(el.get(), applicationId, version, data, bytes) != 0)
        return ZVLIB_FAILURE;
    char value[MDLHOST_MAXFILELENGTH];
    if (tcbP->workMode == MDLHOST_WORKMODE_DWG &&
        mdlSystem_getCfgVar(value, "MS_DWGSAVEAPPLICATIONDATA", sizeof value) != 0)
        zvlibError_rscMsgBoxPrintf(STYLE_WARNING, LIST_ERROR_BOXES, ENTRY_DWG_NOT_KEPT);
    const uint32_t pos = mdlElement_add(el.get());
    if (pos == 0)
        return ZVLIB_66ELEM_NOT_ADDED;
    if (filePos != nullptr)
        *filePos = static_cast<int>(pos);
    return 0;
}

int zvlib66Elem_getData(const MSElement *el, int applicationId, int *version, const char **data, int *length)
{
    if (data != nullptr)
        *data = nullptr;
    // The data ends where the element's body does; a header shorter than
    // the application header has no data to give.
    if (el == nullptr || (el->ehdr.type & ELM_TYPE_MASK) != MICROSTATION_ELM || el->ehdr.attrOffset < HEADER_WORDS ||
        el->ehdr.attrOffset > el->ehdr.elementSize || el->ehdr.elementSize > MAX_ELEMENT_WORDS)
        return ZVLIB_FAILURE;
    const auto *b = reinterpret_cast<const unsigned char *>(el);
    if (getU16(b + SIGNATURE_AT) != ZVLIB_66ELEM_SIGNATURE || !fitsU16(applicationId) ||
        getU16(b + APPLICATION_AT) != static_cast<unsigned>(applicationId))
        return ZVLIB_FAILURE;
    if (version != nullptr)
        *version = static_cast<int>(getU16(b + VERSION_AT));
    if (data != nullptr)
        *data = reinterpret_cast<const char *>(b + ZVLIB_66ELEM_HEADER_BYTES);
    if (length != nullptr)
        *length = 2 * static_cast<int>(el->ehdr.attrOffset) - ZVLIB_66ELEM_HEADER_BYTES;
    return 0;
}

int zvlib66Elem_scanDataFromFileExtended(void *userArg, int applicationId, DgnModelRefP model,
                                         Zvlib66ElemScanFunc fn, int direct)
{
    if (fn == nullptr)
        return 0;
    // Not direct: through the dispatcher, in the context of the application
    // that asked for the scan.
    MdlDesc *owner = mdlSystem_getCurrMdlDesc();
    MdlScanCriteria *sc = mdlScanCriteria_create();
    if (sc == nullptr)
        return DGNERR_IO;
    uint32_t types[MDLSCAN_MASK_WORDS] = {};
    MDLSCAN_MASK_SET(types, MICROSTATION_ELM);
    const uint32_t level = ZVLIB_66ELEM_LEVEL;
    mdlScanCriteria_setModel(sc, model);
    mdlScanCriteria_setElementTypeTest(sc, types, MDLSCAN_MASK_WORDS);
    mdlScanCriteria_setLevelTest(sc, &level, 1);
    mdlScanCriteria_setReturnType(sc, MDLSCAN_RETURN_POSITIONS);

    auto el = std::make_unique<MSElement>();
    uint32_t positions[SCAN_BATCH];
    int matched = 0, result = 0;
    for (bool more = true; more;) {
        int count = 0;
        const int rc = mdlScanCriteria_scan(sc, positions, SCAN_BATCH, &count);
        if (rc != 0 && rc != MDLSCAN_END) {
            result = rc;
            break;
        }
        more = rc == 0;
        for (int i = 0; i < count; ++i) {
            int version = 0, length = 0;
            const char *data = nullptr;
            if (mdlElement_read(el.get(), model, positions[i]) != 0 ||
                zvlib66Elem_getData(el.get(), applicationId, &version, &data, &length) != 0)
                continue;
            ++matched;
            const int stop =
                direct == 1 ? fn(userArg, version, el.get(), static_cast<int>(positions[i]), i, data, length)
                            : dlmSystem_callMdlFunction(owner, reinterpret_cast<MdlFunctionP>(fn), "PIPIIPI", userArg,
                                                        version, el.get(), static_cast<int>(positions[i]), i, data,
                                                        length);
            if (stop != 0) {
                mdlScanCriteria_free(&sc);
                return matched;
            }
        }
        result = matched;
    }
    mdlScanCriteria_free(&sc);
    return result;
}

int zvlib66Elem_scanDataFromFile(void *userArg, int applicationId, DgnModelRefP model, Zvlib66ElemScanFunc fn)
{
    return zvlib66Elem_scanDataFromFileExtended(userArg, applicationId, model, fn, 0);
}

int zvlib66Elem_convertToFileFormatExtended(char *buffer, int capacity, int *offset, int type, ...)
{
    va_list ap;
    va_start(ap, type);
    int rc = packField(buffer, capacity, offset, type, ap);
    va_end(ap);
    return rc;
}

int zvlib66Elem_convertToFileFormat(char *buffer, int *offset, int type, ...)
{
    va_list ap;
    va_start(ap, type);
    int rc = packField(buffer, ZVLIB_66ELEM_MAX_DATA, offset, type, ap);
    va_end(ap);
    return rc;
}

int zvlib66Elem_convertFromFileFormatExtended(const char *buffer, int dataBytes, int *offset, int type,
                                              void *destination, int size)
{
    if (buffer == nullptr || offset == nullptr || destination == nullptr)
        return ZVLIB_FAILURE;
    const int at = *offset;
    int n = 0;
    switch (type) {
    case ZVLIB_FIELD_DOUBLE: {
        double stored = 0;
        if (!fits(at, sizeof stored, dataBytes))
            return ZVLIB_FAILURE;
        std::memcpy(&stored, buffer + at, sizeof stored);
        mdlCnv_doubleFromFileFormat(static_cast<double *>(destination), &stored);
        *offset = at + int(sizeof stored);
        return 0;
    }
    case ZVLIB_FIELD_TEXT: {
        if (!fits(at, 0, dataBytes))
            return ZVLIB_FAILURE;
        const void *end = std::memchr(buffer + at, '\0', static_cast<size_t>(dataBytes - at));
        if (end == nullptr)
            return ZVLIB_FAILURE;
        n = static_cast<int>(static_cast<const char *>(end) - (buffer + at)) + 1;
        if (n > size)
            return ZVLIB_FAILURE;
        break;
    }
    case ZVLIB_FIELD_CHAR: n = 1; break;
    case ZVLIB_FIELD_SHORT: n = sizeof(int16_t); break;
    case ZVLIB_FIELD_BYTES: n = size; break;
    case ZVLIB_FIELD_INT32: n = sizeof(int32_t); break;
    default: return ZVLIB_FIELD_UNSUPPORTED;
    }
    if (!fits(at, n, dataBytes))
        return ZVLIB_FAILURE;
    std::memcpy(destination, buffer + at, static_cast<size_t>(n));
    *offset = at + n;
    return 0;
}

int zvlib66Elem_convertFromFileFormat(const char *buffer, int *offset, int type, void *destination, int count)
{
    const int size = type == ZVLIB_FIELD_BYTES ? count : ZVLIB_66ELEM_MAX_DATA;
    return zvlib66Elem_convertFromFileFormatExtended(buffer, ZVLIB_66ELEM_MAX_DATA, offset, type, destination, size);
}
