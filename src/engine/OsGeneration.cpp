#include "engine/OsGeneration.h"

int OsGenerationOf(const OsVersion& v) {
  if (!v.queried) return 9;
  if (!v.ntPlatform) {
    if (v.major == 4 && v.minor == 0) return 1;
    if (v.major == 4 && v.minor == 10) return 2;
    if (v.major == 4 && v.minor == 90) return 3;
    return 9;
  }
  if (v.major <= 4) return 4;
  if (v.major == 5) return v.minor == 0 ? 5 : v.minor == 1 ? 6 : v.minor == 2 ? 7 : 9;
  if (v.major == 6 && v.minor == 0) return 8;
  return 9;
}
