#pragma once
// A property check that holds in every build type (assert is gone under
// NDEBUG): a failed one aborts, which libFuzzer reports as a crash with the
// input that caused it.
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                    \
  do {                                                                                      \
    if (!(cond)) {                                                                          \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond);      \
      std::abort();                                                                         \
    }                                                                                       \
  } while (0)
