#pragma once
// Marks the classes and functions that the synthor shared library exports. The library is built
// with hidden visibility, so everything without this mark stays private to it.
#if defined(SYNTHOR_BUILDING)
#define SYNTHOR_API __attribute__((visibility("default")))
#else
// On ELF the same attribute on the user's side keeps type information (vtables, typeinfo) of the
// exported classes unified with the library's.
#define SYNTHOR_API __attribute__((visibility("default")))
#endif
