#ifndef ZVLIB_EXPORT_H
#define ZVLIB_EXPORT_H

#if defined(_WIN32)
#define ZVLIB_API __declspec(dllexport)
#else
#define ZVLIB_API __attribute__((visibility("default")))
#endif

#endif
