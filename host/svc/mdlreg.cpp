// The host's registry: two hives of typed values, one text file each.
//
//   file        "MDLHOST-REGISTRY 1", then one line per value:
//               key TAB name TAB type TAB data, every byte below 0x20,
//               '%' and from 0x7F on written as %XX, so a line holds any
//               bytes and the file stays plain ASCII
//   reading     the whole file, strictly; a line this code did not write
//               marks the hive damaged
//   writing     under a lock: read, change, write a temporary file, sync,
//               rename over the hive
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "svc/mdlsvc.h"
#include "base/text_host.h"
#include "sys/sys_host.h"

namespace {

constexpr std::string_view kHeader = "MDLHOST-REGISTRY 1";
// With every byte escaped a full hive could pass a gigabyte; this bound
// keeps a hive readable in one go.
constexpr size_t kMaxHiveBytes = 16u << 20;

struct Value {
    std::string key, name;
    int type;
    std::string data;
};

enum class Load { Ok, Missing, Corrupt, IoError };

bool knownType(int type) { return type == MDLHOST_REG_SZ || type == MDLHOST_REG_BINARY || type == MDLHOST_REG_DWORD; }

bool hivePath(int hive, std::string &path)
{
    const char *file = hive == MDLHOST_HKEY_CURRENT_USER ? "user.reg" : "machine.reg";
    std::string dir;
    if (mdlhost::cfgLookup("MDLHOST_REGISTRY", dir) && !dir.empty()) {
        dir = mdlhost::mappedPath(dir.c_str());
    } else {
        std::string home;
        if (!mdlhost::cfgLookup("HOME", home) || home.empty())
            return false;
        dir = home + "/.mdlhost/registry";
    }
    path = dir + (dir.back() == '/' ? "" : "/") + file;
    return true;
}

// Key paths are compared as written between separators: "\a\b\" is "a\b".
// An empty component ("a\\b") names no key.
bool normalKey(const char *key, std::string &out)
{
    if (key == nullptr)
        return false;
    std::string_view k(key);
    while (!k.empty() && k.front() == '\\')
        k.remove_prefix(1);
    while (!k.empty() && k.back() == '\\')
        k.remove_suffix(1);
    if (k.size() >= MDLHOST_REG_MAXKEY || k.find("\\\\") != std::string_view::npos)
        return false;
    out = k;
    return true;
}

bool validName(const char *name) { return name != nullptr && strlen(name) < MDLHOST_REG_MAXNAME; }

bool mustEscape(unsigned char c) { return c < 0x20 || c == '%' || c >= 0x7F; }

void appendEscaped(std::string &out, std::string_view field)
{
    static const char hex[] = "0123456789ABCDEF";
    for (unsigned char c : field) {
        if (mustEscape(c)) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += char(c);
        }
    }
}

bool unescape(std::string_view field, std::string &out)
{
    out.clear();
    for (size_t i = 0; i < field.size(); i++) {
        auto c = static_cast<unsigned char>(field[i]);
        if (c == '%') {
            if (field.size() - i < 3)
                return false;
            int hi = mdlhost::hexDigit(field[i + 1]), lo = mdlhost::hexDigit(field[i + 2]);
            if (hi < 0 || lo < 0)
                return false;
            out += char(hi << 4 | lo);
            i += 2;
        } else if (mustEscape(c)) {
            return false;
        } else {
            out += char(c);
        }
    }
    return true;
}

Value *findValue(std::vector<Value> &values, std::string_view key, std::string_view name)
{
    for (Value &v : values)
        if (mdlhost::sameName(v.key, key) && mdlhost::sameName(v.name, name))
            return &v;
    return nullptr;
}

bool parseLine(std::string_view line, Value &v)
{
    std::string_view fields[4];
    for (int f = 0; f < 4; f++) {
        size_t tab = line.find('\t');
        if ((f < 3) != (tab != std::string_view::npos))
            return false;
        fields[f] = line.substr(0, tab);
        line = f < 3 ? line.substr(tab + 1) : std::string_view();
    }
    std::string type;
    if (!unescape(fields[0], v.key) || !unescape(fields[1], v.name) || !unescape(fields[2], type) ||
        !unescape(fields[3], v.data))
        return false;
    if (type.size() != 1 || type[0] < '1' || type[0] > '9')
        return false;
    v.type = type[0] - '0';
    std::string normal;
    return knownType(v.type) && normalKey(v.key.c_str(), normal) && normal == v.key && validName(v.name.c_str()) &&
           v.data.size() <= MDLHOST_REG_MAXDATA && (v.type != MDLHOST_REG_DWORD || v.data.size() == 4);
}

Load loadHive(const std::string &path, std::vector<Value> &values)
{
    values.clear();
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Load::Missing : Load::IoError;
    if (!S_ISREG(st.st_mode) || size_t(st.st_size) > kMaxHiveBytes)
        return Load::Corrupt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Load::IoError;
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    if (text.size() > kMaxHiveBytes)
        return Load::Corrupt;
    Load result = Load::Ok;
    size_t start = 0;
    bool first = true;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            return Load::Corrupt; // a cut last line: not a file this code finished
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (first) {
            first = false;
            if (line != kHeader)
                return Load::Corrupt;
            continue;
        }
        Value v;
        if (!parseLine(line, v) || findValue(values, v.key, v.name) != nullptr ||
            values.size() >= MDLHOST_REG_MAXVALUES) {
            result = Load::Corrupt; // the good values stay readable
            continue;
        }
        values.push_back(std::move(v));
    }
    return first ? Load::Corrupt : result;
}

bool makeDirectories(const std::string &dir)
{
    for (size_t at = 1; at <= dir.size(); at++) {
        if (at != dir.size() && dir[at] != '/')
            continue;
        std::string part = dir.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

bool writeAll(int fd, const std::string &text)
{
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

int saveHive(const std::string &path, const std::vector<Value> &values)
{
    std::string text(kHeader);
    text += '\n';
    for (const Value &v : values) {
        appendEscaped(text, v.key);
        text += '\t';
        appendEscaped(text, v.name);
        text += '\t';
        text += char('0' + v.type);
        text += '\t';
        appendEscaped(text, v.data);
        text += '\n';
    }
    if (text.size() > kMaxHiveBytes)
        return MDLHOST_REG_FULL;
    std::string tmp, target;
    int fd = mdlhost::openReplacement(path, tmp, target, 0600);
    if (fd < 0)
        return MDLHOST_REG_IOERROR;
    bool ok = writeAll(fd, text) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!mdlhost::commitReplacement(tmp, target, ok))
        return MDLHOST_REG_IOERROR;
    return MDLHOST_REG_OK;
}

// Runs change on the hive's values under the hive's lock and saves them
// when it returns MDLHOST_REG_OK.
template <typename Change> int changeHive(int hive, Change change)
{
    if (hive != MDLHOST_HKEY_CURRENT_USER && hive != MDLHOST_HKEY_LOCAL_MACHINE)
        return MDLHOST_REG_BADARG;
    std::string path;
    if (!hivePath(hive, path) || !makeDirectories(path.substr(0, path.rfind('/'))))
        return MDLHOST_REG_IOERROR;
    int lock = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0)
        return MDLHOST_REG_IOERROR;
    int rc;
    while ((rc = flock(lock, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (rc != 0) {
        close(lock);
        return MDLHOST_REG_IOERROR;
    }
    std::vector<Value> values;
    Load load = loadHive(path, values);
    if (load == Load::Corrupt)
        rc = MDLHOST_REG_CORRUPT;
    else if (load == Load::IoError)
        rc = MDLHOST_REG_IOERROR;
    else
        rc = change(values);
    if (rc == MDLHOST_REG_OK)
        rc = saveHive(path, values);
    close(lock); // releases the lock
    return rc;
}

} // namespace

int mdlhost_regSetValue(int hive, const char *key, const char *name, int type, const void *data, size_t size)
{
    std::string k;
    if (!normalKey(key, k) || !validName(name) || !knownType(type) || (data == nullptr && size > 0) ||
        size > MDLHOST_REG_MAXDATA || (type == MDLHOST_REG_DWORD && size != 4))
        return MDLHOST_REG_BADARG;
    std::string bytes = size > 0 ? std::string(static_cast<const char *>(data), size) : std::string();
    return changeHive(hive, [&](std::vector<Value> &values) {
        if (Value *v = findValue(values, k, name)) {
            v->type = type;
            v->data = bytes;
            return MDLHOST_REG_OK;
        }
        if (values.size() >= MDLHOST_REG_MAXVALUES)
            return MDLHOST_REG_FULL;
        values.push_back({k, name, type, bytes});
        return MDLHOST_REG_OK;
    });
}

int mdlhost_regSetString(int hive, const char *key, const char *name, const char *text)
{
    if (text == nullptr)
        return MDLHOST_REG_BADARG;
    return mdlhost_regSetValue(hive, key, name, MDLHOST_REG_SZ, text, strlen(text) + 1);
}

int mdlhost_regSetDword(int hive, const char *key, const char *name, uint32_t value)
{
    unsigned char b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    return mdlhost_regSetValue(hive, key, name, MDLHOST_REG_DWORD, b, sizeof b);
}

int mdlhost_regQueryValue(int hive, const char *key, const char *name, int *type, void *data, size_t *size)
{
    std::string k, path;
    if ((hive != MDLHOST_HKEY_CURRENT_USER && hive != MDLHOST_HKEY_LOCAL_MACHINE) || !normalKey(key, k) ||
        !validName(name) || size == nullptr)
        return MDLHOST_REG_BADARG;
    if (!hivePath(hive, path))
        return MDLHOST_REG_NOTFOUND;
    std::vector<Value> values;
    Load load = loadHive(path, values);
    if (load == Load::IoError)
        return MDLHOST_REG_IOERROR;
    Value *v = findValue(values, k, name);
    if (v == nullptr)
        return MDLHOST_REG_NOTFOUND;
    if (data != nullptr && *size < v->data.size()) {
        *size = v->data.size();
        return MDLHOST_REG_MOREDATA;
    }
    if (type != nullptr)
        *type = v->type;
    if (data != nullptr && !v->data.empty())
        memcpy(data, v->data.data(), v->data.size());
    *size = v->data.size();
    return MDLHOST_REG_OK;
}

int mdlhost_regDeleteValue(int hive, const char *key, const char *name)
{
    std::string k;
    if (!normalKey(key, k) || !validName(name))
        return MDLHOST_REG_BADARG;
    return changeHive(hive, [&](std::vector<Value> &values) {
        for (auto it = values.begin(); it != values.end(); ++it)
            if (mdlhost::sameName(it->key, k) && mdlhost::sameName(it->name, name)) {
                values.erase(it);
                return MDLHOST_REG_OK;
            }
        return MDLHOST_REG_NOTFOUND;
    });
}
