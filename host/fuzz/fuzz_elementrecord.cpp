// Stored element records: arbitrary bytes decoded as a record (and as its
// first element); whatever decodes is encoded and decoded again, and the
// two encodings must be equal.  Inputs that begin with 1 describe a chain
// of line strings instead (vertices of any value), which must survive
// encode, decode, encode unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "dgn/dgndescr_host.h"
#include "dgn_records.h"

namespace {

// The same elements, bit for bit, in the same tree.
bool like(const MSElementDescr *a, const MSElementDescr *b)
{
    for (; a != nullptr && b != nullptr; a = a->h.next, b = b->h.next)
        if (!dgntest::sameBytes(a->el, b->el) || !like(a->h.firstElem, b->h.firstElem))
            return false;
    return a == nullptr && b == nullptr;
}

// Encoded, decoded and encoded again: the elements come back bit for bit
// and the two encodings are equal.
void rundtur(MSElementDescr *d)
{
    std::vector<uint8_t> en = mdlhost::dgn::serializeDescr(d);
    MSElementDescr *igjen = mdlhost::dgn::deserializeDescr(en.data(), en.size());
    if (igjen == nullptr)
        abort(); // what was encoded must decode
    bool sammen = dgntest::sameBytes(d->el, igjen->el) && like(d->h.firstElem, igjen->h.firstElem);
    std::vector<uint8_t> to = mdlhost::dgn::serializeDescr(igjen);
    mdlElmdscr_freeAll(&igjen);
    if (!sammen || en != to)
        abort();
}

MSElementDescr *beskrevet(FuzzedDataProvider &d)
{
    MSElementDescr *hode = dgntest::node(*dgntest::chainHeader(d.ConsumeIntegralInRange<uint32_t>(1, 64)));
    int deler = d.ConsumeIntegralInRange<int>(1, 4);
    for (int i = 0; i < deler; i++) {
        std::vector<DPoint3d> p(d.ConsumeIntegralInRange<size_t>(2, 40));
        bool hele = d.ConsumeBool(), tre = d.ConsumeBool();
        for (DPoint3d &q : p) {
            q.x = hele ? double(d.ConsumeIntegralInRange<int32_t>(-2000000000, 2000000000)) : d.ConsumeFloatingPoint<double>();
            q.y = hele ? double(d.ConsumeIntegralInRange<int32_t>(-2000000000, 2000000000)) : d.ConsumeFloatingPoint<double>();
            q.z = tre ? (hele ? double(d.ConsumeIntegral<int16_t>()) : d.ConsumeFloatingPoint<double>()) : 0.0;
        }
        dgntest::ElementP el = dgntest::linear(p, 1, 0, LINE_STRING_ELM, tre);
        if (d.ConsumeBool())
            dgntest::addLinkage(*el, d.ConsumeIntegral<uint16_t>(), d.ConsumeIntegral<uint16_t>(), 0);
        dgntest::append(hode, dgntest::node(*el));
    }
    return hode;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0 && data[0] == 1) {
        FuzzedDataProvider d(data + 1, size - 1);
        MSElementDescr *hode = beskrevet(d);
        rundtur(hode);
        mdlElmdscr_freeAll(&hode);
        return 0;
    }
    MSElement el;
    uint32_t deler = 0;
    mdlhost::dgn::decodeTopElement(data, size, &el, &deler);
    if (MSElementDescr *d = mdlhost::dgn::deserializeDescr(data, size)) {
        rundtur(d);
        mdlElmdscr_freeAll(&d);
    }
    return 0;
}
