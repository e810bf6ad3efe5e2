// Level libraries (a design file whose levels are looked up, opened
// read-only) and iteration over a model's levels.
#include <cstdint>
#include <vector>

#include "dgn_int.h"
#include "dgncell_int.h"

namespace {

mdlhost::dgn::ModelHandle &levelLibrary()
{
    static mdlhost::dgn::ModelHandle lib;
    return lib;
}

} // namespace

struct LevelIterator {
    std::vector<uint32_t> ids;
    size_t next = 0;
};

using namespace mdlhost::dgn;

int mdlLevelLibrary_attach(const char *fileName)
{
    if (!fileName || !*fileName) return failWith(DGNERR_BADARG);
    ModelHandle lib;
    int rc = mdlhost_dgnOpenModel(lib.out(), fileName, DGN_OPEN_READONLY);
    if (rc != 0) return failWith(rc);
    ModelHandle &current = levelLibrary();
    current.reset();
    *current.out() = lib.release();
    return succeed();
}

int mdlLevelLibrary_detach(void)
{
    levelLibrary().reset();
    return succeed();
}

DgnModelRefP mdlLevelLibrary_getModelRef(void) { return levelLibrary().get(); }

LevelIterator *mdlLevelIterator_create(DgnModelRefP model)
{
    model = modelOrActive(model);
    if (!storeDb(model)) {
        failWith(DGNERR_NOMODEL);
        return nullptr;
    }
    auto *it = new LevelIterator;
    // Grow until the store gives fewer ids than there is room for; the
    // bound keeps a damaged store from making us allocate without end.
    constexpr size_t kMaxLevels = size_t{1} << 20;
    for (size_t room = 256;; room *= 2) {
        it->ids.resize(room);
        int n = mdlhost_levelIds(model, it->ids.data(), static_cast<int>(room));
        size_t got = n < 0 ? 0 : static_cast<size_t>(n);
        if (got < room || room >= kMaxLevels) {
            it->ids.resize(got < room ? got : room);
            break;
        }
    }
    succeed();
    return it;
}

uint32_t mdlLevelIterator_getNext(LevelIterator *iterator)
{
    if (!iterator || iterator->next >= iterator->ids.size()) return LEVEL_NULL_ID;
    return iterator->ids[iterator->next++];
}

void mdlLevelIterator_free(LevelIterator *iterator) { delete iterator; }
