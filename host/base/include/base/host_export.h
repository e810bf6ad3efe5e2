#ifndef MDLHOST_EXPORT_H
#define MDLHOST_EXPORT_H

#if defined(_WIN32)
#define MDLHOST_API __declspec(dllexport)
#else
#define MDLHOST_API __attribute__((visibility("default")))
#endif

#endif
