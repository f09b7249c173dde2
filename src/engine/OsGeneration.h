#pragma once
// The Windows generation (1 to 9) from the version the system reports.

struct OsVersion {
  bool queried = false;    // false when the version query failed
  bool ntPlatform = true;  // false on the consumer (9x) platform
  unsigned major = 0, minor = 0;
};

int OsGenerationOf(const OsVersion& v);
