// The host's fonts: a fixed table, since the host draws nothing.
#include <cstdint>

#include "base/text_host.h"
#include "dgn/mdlcell.h"

namespace {

struct FontRow {
    uint32_t number;
    const char *name;
};

// In number order.  105 is the applications' default text font; the symbol
// font is looked up by name.
constexpr FontRow kFonts[] = {
    {0, "STANDARD"},     {1, "WORKING"},         {3, "ENGINEERING"},
    {43, "Arial"},       {105, "Arial Narrow"},  {150, "Grafisk Utforming TTF"},
};

} // namespace

int mdlFontMgr_traverseAvailableFonts(MdlFontTraverseFunc fn, void *arg)
{
    if (!fn) return 0;
    for (const FontRow &row : kFonts) {
        MdlFontInfo info{};
        info.number = row.number;
        mdlhost::copyText(info.name, row.name);
        int rc = fn(&info, arg);
        if (rc != 0) return rc;
    }
    return 0;
}

int mdlFontMgr_fontExists(uint32_t number)
{
    for (const FontRow &row : kFonts)
        if (row.number == number) return 1;
    return 0;
}
