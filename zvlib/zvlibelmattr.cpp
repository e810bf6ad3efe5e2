// Element attribute sets: applying an attribute's symbology to an element
// and creating texts with its text settings.
#include <cmath>
#include <cstddef>
#include <numbers>

#include "mdlhost.h"
#include "zvlibelmattr.h"
#include "zvlibmain.h"
#include "zvlibutil.h"

// The settings block is stored inside the attribute resources.
static_assert(sizeof(ZvlibElmAttrSettings) == ZVLIB_ATTR_SETTINGS_SIZE);
static_assert(offsetof(ZvlibElmAttrSettings, levelName) == 12);
static_assert(offsetof(ZvlibElmAttrSettings, elementClass) == 1036);
static_assert(offsetof(ZvlibElmAttrSettings, useFlags) == 1040);
static_assert(offsetof(ZvlibElmAttrSettings, lineStyleScale) == 1048);
static_assert(offsetof(ZvlibElmAttrSettings, lineStyleName) == 1064);
static_assert(offsetof(ZvlibElmAttrSettings, u.textStyleName) == 1128);
static_assert(offsetof(ZvlibElmAttrSettings, u.symbol.symbolSize) == 1136);
static_assert(offsetof(ZvlibElmAttrSettings, u.symbol.fieldText) == 1172);
static_assert(offsetof(ZvlibElmAttrSettings, font) == 1292);
static_assert(offsetof(ZvlibElmAttrSettings, textWidth) == 1296);
static_assert(offsetof(ZvlibElmAttrSettings, textHeight) == 1304);
static_assert(offsetof(ZvlibElmAttrSettings, justification) == 1312);
static_assert(offsetof(ZvlibElmAttrSettings, lineSpacingFactor) == 1320);
static_assert(offsetof(ZvlibElmAttrSettings, v.textSlant) == 1336);
static_assert(offsetof(ZvlibElmAttrSettings, choiceValue) == 1420);

namespace {

constexpr int ACTIVEPARAM_FONT = 7;

} // namespace

ZvlibElmAttrSettings *elmAttr_findSettings(int)
{
    // Attributes exist only once the application registered them through
    // the attribute list; before that no id is known.
    return nullptr;
}

int elmAttr_applySettings(MSElement *el, const ZvlibElmAttrSettings *s)
{
    if (el == nullptr || s == nullptr)
        return ZVLIB_FAILURE;
    const uint32_t flags = s->useFlags;
    int failed = 0;
    if (flags & ZVLIB_ATTR_COLOUR)
        failed |= mdlElement_setSymbology(el, &s->colour, nullptr, nullptr);
    // A negative style names a line style by lineStyleName; the host keeps
    // no named line styles, so no model knows the name and the element
    // keeps its style.
    if ((flags & ZVLIB_ATTR_LINESTYLE) && s->lineStyle >= 0)
        failed |= mdlElement_setSymbology(el, nullptr, nullptr, &s->lineStyle);
    if (flags & ZVLIB_ATTR_WEIGHT)
        failed |= mdlElement_setSymbology(el, nullptr, &s->weight, nullptr);
    if (flags & ZVLIB_ATTR_LEVEL) {
        // A stored name may lack its terminator.
        char16_t name[ZVLIB_ATTR_LEVELNAME_LEN];
        size_t n = 0;
        for (; n + 1 < ZVLIB_ATTR_LEVELNAME_LEN && s->levelName[n] != 0; ++n)
            name[n] = s->levelName[n];
        name[n] = 0;
        uint32_t level = zvlibUtil_levelIdFromName(name);
        // No level (no design file, a refused name) must not move the
        // element to level 0.
        if (level == LEVEL_NULL_ID)
            failed = 1;
        else
            failed |= mdlElement_setProperties(el, &level, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                               nullptr);
    }
    if (flags & ZVLIB_ATTR_CLASS)
        failed |= mdlElement_setProperties(el, nullptr, nullptr, &s->elementClass, nullptr, nullptr, nullptr,
                                           nullptr, nullptr);
    return failed ? ZVLIB_FAILURE : 0;
}

int elmAttr_createTextWithSettings(MSElement *out, const MSElement *templateEl, const char *text,
                                   const DPoint3d *origin, const RotMatrix *rotation, DgnModelRefP model,
                                   const ZvlibElmAttrSettings *s, double scale)
{
    // Sizes are divided by the scale: zero would give infinite sizes.
    if (out == nullptr || text == nullptr || s == nullptr || !std::isfinite(scale) || scale <= 0)
        return ZVLIB_FAILURE;
    // Room for one character more than the host takes, so a text that is too
    // long stays too long and is refused rather than cut.
    char16_t wide[MDLHOST_MAX_TEXT + 2];
    mdlCnv_convertMultibyteToUnicode(text, -1, wide, MDLHOST_MAX_TEXT + 2);

    const uint32_t flags = s->useFlags;
    TextParamWide params{};
    params.style[0] = params.style[1] = -1;
    params.justification = -1; // the host's default
    // The host keeps no text styles, so a text-style flag finds none and the
    // attribute's own settings apply.
    if (flags & ZVLIB_ATTR_TEXTSIZE) {
        params.size.width = s->textWidth / scale;
        params.size.height = s->textHeight / scale;
        params.lineSpacing = params.size.height * s->lineSpacingFactor;
    }
    if (flags & ZVLIB_ATTR_JUSTIFICATION)
        params.justification = s->justification;
    if (flags & ZVLIB_ATTR_FONT) {
        params.font = s->font;
    } else {
        int active = 0;
        if (mdlParams_getActive(&active, ACTIVEPARAM_FONT) == 0)
            params.font = active;
    }
    if (flags & ZVLIB_ATTR_SLANT) {
        params.slant = s->v.textSlant * std::numbers::pi / 180.0;
        params.flags |= TEXT_FLAG_SLANT;
    }
    const DPoint3d zero{0, 0, 0};
    if (mdlText_createWide(out, templateEl, wide, origin ? origin : &zero, rotation, model, &params) != 0)
        return ZVLIB_FAILURE;
    elmAttr_applySettings(out, s);
    return 0;
}

int zvlibElmAttr_setSymbologyAndProperties(MSElement *el, int id, ZvlibElmAttrSettings *settings)
{
    if (zvlibMain_getGlobalDataP() == nullptr || el == nullptr)
        return ZVLIB_FAILURE;
    const ZvlibElmAttrSettings *s = elmAttr_findSettings(id);
    if (s == nullptr)
        return ZVLIB_FAILURE;
    int rc = elmAttr_applySettings(el, s);
    if (settings != nullptr)
        *settings = *s;
    return rc;
}

int zvlibElmAttr_createText(MSElement *out, const MSElement *templateEl, const char *text, const DPoint3d *origin,
                            const RotMatrix *rotation, DgnModelRefP model, int id, double scale,
                            ZvlibElmAttrSettings *settings)
{
    if (zvlibMain_getGlobalDataP() == nullptr)
        return ZVLIB_FAILURE;
    const ZvlibElmAttrSettings *s = elmAttr_findSettings(id);
    if (s == nullptr)
        return ZVLIB_FAILURE;
    if (elmAttr_createTextWithSettings(out, templateEl, text, origin, rotation, model, s, scale) != 0)
        return ZVLIB_FAILURE;
    if (settings != nullptr)
        *settings = *s;
    return 0;
}
