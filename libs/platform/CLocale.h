#pragma once
// Internal to the platform library: the "C" locale for the few C library calls (printf family,
// strtod) that would otherwise follow the process locale and print or read a decimal comma.
#include <locale.h>

namespace platform::internal {

// Created once, on first use, and kept for the life of the process.
locale_t CLocale();

// Switches the calling thread to the "C" locale for the lifetime of the object.
class CLocaleScope {
 public:
  CLocaleScope() : previous_(uselocale(CLocale())) {}
  ~CLocaleScope() {
    if (previous_ != locale_t(0)) uselocale(previous_);
  }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  locale_t previous_;
};

}  // namespace platform::internal
