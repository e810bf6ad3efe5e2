// Arbitrary bytes as a symbol table ("number;name;" lines) through its
// loader, then every loaded row looked up.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_testing.h"
#include "kartmotor_int.h"
#include "mdlhost.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string &k = fuzz::folder("fuzz_symboltable");
    std::string fil = k + "/symbol.tab";
    fuzz::writeFile(fil, data, size);
    if (st_create(fil.c_str()) == 0) {
        int32_t n = Symboltab.count;
        for (int32_t i = 0; i < n && i < ST_MAX_SYMBOLS; i++)
            if (!memchr(Symboltab.number[i], '\0', ST_NUMBER_LEN) || !memchr(Symboltab.name[i], '\0', ST_NAME_LEN))
                __builtin_trap(); // every row is a terminated text
    }
    mdlhost_clearTextWindow();
    return 0;
}
