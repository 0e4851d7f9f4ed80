#pragma once
// libwexal.so exports only what is marked WEXAL_EXPORT; everything else stays hidden.
#if defined(WEXAL_BUILDING)
#define WEXAL_EXPORT __attribute__((visibility("default")))
#else
#define WEXAL_EXPORT
#endif
