// Small services the applications call by name: a new file, wide-text
// length and order, sorting.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "sys/mdlsys.h"
#include "sys/sys_host.h"

int mdlFile_create(const char *fileName, const char *seedFile)
{
    if (fileName == nullptr || fileName[0] == '\0') {
        errno = EINVAL;
        return -1;
    }
    if (seedFile != nullptr && seedFile[0] != '\0')
        return mdlFile_copy(fileName, seedFile);
    std::string path = mdlhost::mappedPath(fileName);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return -1;
    return close(fd) == 0 ? 0 : -1;
}

int mdlWideChar_strlen(const char16_t *s)
{
    int n = 0;
    while (s != nullptr && s[n] != 0)
        n++;
    return n;
}

int mdlWideChar_strcmp(const char16_t *a, const char16_t *b)
{
    static const char16_t empty[1] = {0};
    if (a == nullptr)
        a = empty;
    if (b == nullptr)
        b = empty;
    for (; *a != 0 && *a == *b; a++, b++) {
    }
    return int(*a) - int(*b);
}

void mdlUtil_quickSort(void *base, int count, int size, MdlCompareFunc compare)
{
    if (base == nullptr || compare == nullptr || count < 2 || size < 1)
        return;
    std::qsort(base, size_t(count), size_t(size), compare);
}
