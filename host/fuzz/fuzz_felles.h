// What the fuzz targets share: a working folder in memory, removed at exit,
// and writing the input to a file there.
#ifndef ZERA_FUZZ_FELLES_H
#define ZERA_FUZZ_FELLES_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

inline std::string &katalogen()
{
    static std::string k;
    return k;
}

inline void fjern_katalog() { std::filesystem::remove_all(katalogen()); }

// A fresh folder for this process: every run rewrites its files, which in
// memory costs nothing, while a disk file system flushes each one.
inline const std::string &katalog(const char *navn)
{
    std::string &k = katalogen();
    if (k.empty()) {
        std::error_code ec;
        std::string rot = std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : "/tmp";
        std::string mal = rot + "/" + navn + "-XXXXXX";
        if (mkdtemp(mal.data()) == nullptr)
            abort();
        k = mal;
        atexit(fjern_katalog);
    }
    return k;
}

inline void skriv(const std::string &navn, const void *data, size_t n)
{
    FILE *f = fopen(navn.c_str(), "wb");
    if (f == nullptr || fwrite(data, 1, n, f) != n || fclose(f) != 0)
        abort();
}

// The input cut into files at each line "#--" (at most max of them), so
// one input can hold a file and the files it includes.
inline std::vector<std::string_view> deler(const uint8_t *data, size_t size, size_t max)
{
    std::string_view rest(reinterpret_cast<const char *>(data), size);
    std::vector<std::string_view> ut;
    while (ut.size() + 1 < max) {
        size_t p = rest.find("\n#--\n");
        if (p == std::string_view::npos)
            break;
        ut.push_back(rest.substr(0, p + 1));
        rest.remove_prefix(p + 5);
    }
    ut.push_back(rest);
    return ut;
}

} // namespace fuzz

#endif
