// Arbitrary bytes as a workbook file (.xlsx): the zip directory, the
// workbook, its relations, shared strings and sheets, read by the
// spreadsheet link; a workbook that reads is written and read again.
#include <cstdint>
#include <string>

#include "fuzz_testing.h"
#include "svc/workbook_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string &k = fuzz::folder("fuzz_workbook");
    std::string fil = k + "/bok.xlsx", kopi = k + "/kopi.xlsx";
    fuzz::writeFile(fil, data, size);
    mdlhost::sheet::Workbook bok;
    std::string feil;
    if (!mdlhost::sheet::readWorkbook(fil, bok, feil))
        return 0;
    if (!mdlhost::sheet::writeWorkbook(bok, kopi, feil))
        return 0; // a name or value the format cannot hold is refused
    mdlhost::sheet::Workbook igjen;
    mdlhost::sheet::readWorkbook(kopi, igjen, feil);
    return 0;
}
