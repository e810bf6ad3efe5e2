// Arbitrary bytes as a batch job file (cut at lines "#--" into the job and
// the files it includes as inc1.job, inc2.job, ...): the job read into its
// record with the settings it names, refusals going to the report.  The
// items are not run: the job may name any file.
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "appfuzz.h"
#include "batch.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    appfuzz::start("fuzz_jobbfil");
    // Relative names and patterns of the job resolve in the folder.
    appfuzz::krev(chdir(appfuzz::oppsett().katalog.c_str()) == 0);
    fuzz::writeFile("a.zer", ".HODE\n.SLUTT\n", 13);
    fuzz::writeFile("b.zer", ".HODE\n.SLUTT\n", 13);
    fuzz::writeFile("a.dgn", "x", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    appfuzz::Oppsett &o = appfuzz::oppsett();
    std::vector<std::string_view> deler = fuzz::parts(data, size, 4);
    const std::string jobb = o.katalog + "/fuzz.job";
    fuzz::writeFile(jobb, deler[0].data(), deler[0].size());
    for (size_t i = 1; i < deler.size(); i++)
        fuzz::writeFile(o.katalog + "/inc" + std::to_string(i) + ".job", deler[i].data(), deler[i].size());
    appfuzz::standardData(o.data);
    matchLevel = matchColor = matchStyle = matchWeight = 0;
    hoydeAvrunding = multHoyde = 0;
    FILE *rapport = fopen((o.katalog + "/rapport.txt").c_str(), "w");
    appfuzz::krev(rapport != nullptr);
    BatchJobb *j = new BatchJobb{};
    LesBatchFil(jobb.c_str(), static_cast<int>(size & 1), j, rapport);
    FrigjorBatchJobb(j);
    delete j;
    fclose(rapport);
    appfuzz::rydd();
    return 0;
}
