// What the fuzz targets of every room share: a working folder in memory,
// removed at exit, and writing the input to a file there.
#ifndef MDLHOST_FUZZ_TESTING_H
#define MDLHOST_FUZZ_TESTING_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

inline std::string &folderName()
{
    static std::string k;
    return k;
}

inline void removeFolder() { std::filesystem::remove_all(folderName()); }

// A fresh folder for this process: every run rewrites its files, which in
// memory costs nothing, while a disk file system flushes each one.
inline const std::string &folder(const char *name)
{
    std::string &k = folderName();
    if (k.empty()) {
        std::error_code ec;
        std::string root = std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : "/tmp";
        std::string pattern = root + "/" + name + "-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            abort();
        k = pattern;
        atexit(removeFolder);
    }
    return k;
}

inline void writeFile(const std::string &name, const void *data, size_t n)
{
    FILE *f = fopen(name.c_str(), "wb");
    if (f == nullptr || fwrite(data, 1, n, f) != n || fclose(f) != 0)
        abort();
}

// The input cut into files at each line "#--" (at most max of them), so
// one input can hold a file and the files it includes.
inline std::vector<std::string_view> parts(const uint8_t *data, size_t size, size_t max)
{
    std::string_view rest(reinterpret_cast<const char *>(data), size);
    std::vector<std::string_view> out;
    while (out.size() + 1 < max) {
        size_t p = rest.find("\n#--\n");
        if (p == std::string_view::npos)
            break;
        out.push_back(rest.substr(0, p + 1));
        rest.remove_prefix(p + 5);
    }
    out.push_back(rest);
    return out;
}

} // namespace fuzz

#endif
