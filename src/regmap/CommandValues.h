#pragma once
// Registry values that Windows reads as a command line (a program and its
// arguments), where a path with a space must stand in quotes.
#include <string_view>

#include "engine/NewTextFit.h"

// How the data of `valueName` ("" for the default value) in the key
// `keyPath` (below its root, "SYSTEM\ControlSet001\Services\Svc") is read.
// App Paths' default value is a path, read whole: it stays Plain.
TextPlace PlaceOfRegistryValue(std::string_view keyPath, std::string_view valueName);
