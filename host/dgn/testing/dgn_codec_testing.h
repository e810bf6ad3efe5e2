// The stored element record's codec, for the record fuzzer: a descriptor
// encoded and decoded, and a record's first element decoded.
#ifndef MDLHOST_DGN_CODEC_TESTING_H
#define MDLHOST_DGN_CODEC_TESTING_H

#include <cstddef>
#include <cstdint>

#include "dgn/dgn_int.h"

namespace mdlhost::dgn {

// As dgnstore_int.h declares it: the first element of a stored record into
// out (MSElement size) and the number of its direct components; 0 or
// DGNERR_BADELEMENT.
int decodeTopElement(const uint8_t *data, size_t size, MSElement *out, uint32_t *components);

} // namespace mdlhost::dgn

#endif
