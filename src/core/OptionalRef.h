#pragma once
// A part a class can do without, said so in its type (a plain pointer says
// nothing of whether it may be null).
#include <functional>
#include <optional>

template <class T>
using OptionalRef = std::optional<std::reference_wrapper<T>>;
