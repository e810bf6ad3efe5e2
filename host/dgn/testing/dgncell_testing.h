// Helpers of the cell and shared-cell tests: small cell libraries built
// through the host's own calls.
#ifndef MDLHOST_DGNCELL_TESTING_H
#define MDLHOST_DGNCELL_TESTING_H

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mdlhost.h"

namespace dgntest {

// Frees a descriptor chain when it goes.
struct DscrPtr {
    MSElementDescr *d = nullptr;
    DscrPtr() = default;
    explicit DscrPtr(MSElementDescr *p) : d(p) {}
    ~DscrPtr() { mdlElmdscr_freeAll(&d); }
    DscrPtr(const DscrPtr &) = delete;
    DscrPtr &operator=(const DscrPtr &) = delete;
    MSElementDescr **out() { mdlElmdscr_freeAll(&d); return &d; }
    MSElementDescr *get() const { return d; }
};

inline std::unique_ptr<MSElement> newElement() { return std::make_unique<MSElement>(); }

// A line (UOR) on level.
inline std::unique_ptr<MSElement> makeLine(DPoint3d a, DPoint3d b, uint32_t level)
{
    auto el = newElement();
    DPoint3d pts[2] = {a, b};
    EXPECT_EQ(mdlLine_create(el.get(), nullptr, pts), 0);
    EXPECT_EQ(mdlElement_setProperties(el.get(), &level, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr),
              0);
    return el;
}

// Appends el to the chain *chain as a top-level sibling.
inline void appendTop(DscrPtr &chain, const MSElement *el)
{
    if (!chain.get()) ASSERT_EQ(mdlElmdscr_new(&chain.d, nullptr, el), 0);
    else ASSERT_EQ(mdlElmdscr_appendElement(chain.get(), el), 0);
}

// Creates a cell library file (2D, uorPerMaster UOR per metre) with one
// level named levelName; returns that level's id in the library.
inline uint32_t createLibrary(const std::string &path, double uorPerMaster, const char16_t *levelName)
{
    DPoint3d origin{0, 0, 0};
    EXPECT_EQ(mdlhost_dgnCreateFile(path.c_str(), 0, uorPerMaster, "m", &origin), 0);
    DgnModelRefP lib = 0;
    EXPECT_EQ(mdlhost_dgnOpenModel(&lib, path.c_str(), DGN_OPEN_WRITE), 0);
    uint32_t level = 0;
    EXPECT_EQ(mdlLevel_create(lib, levelName, &level), 0);
    EXPECT_EQ(mdlLevel_setElementColor(lib, level, 3), 0);
    mdlhost_dgnCloseModel(lib);
    return level;
}

} // namespace dgntest

#endif
