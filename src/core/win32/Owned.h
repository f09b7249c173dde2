#pragma once
// Owners of what the system hands out. Each frees its resource once, when it
// goes out of scope, so an exception between the call that allocates and the
// one that frees leaks nothing. None can be copied (a copy would free twice);
// all can be moved.
#include "core/win32/WinApi.h"
//
#include <objbase.h>

#include <utility>

template <class T, class Traits>
class Owned {
 public:
  Owned() = default;
  explicit Owned(T value) : value_(value) {}
  ~Owned() { Close(); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : value_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  bool ok() const { return Traits::Valid(value_); }
  explicit operator bool() const { return ok(); }
  T get() const { return value_; }
  // For a call that fills in what it allocated; what was held is freed first.
  T* out() {
    Close();
    return &value_;
  }
  T release() { return std::exchange(value_, Traits::Empty()); }
  void reset(T value = Traits::Empty()) {
    Close();
    value_ = value;
  }
  // Frees now; false when the system reports a failure (for a file, a late
  // write error).
  bool Close() {
    const bool freed = !ok() || Traits::Free(value_);
    value_ = Traits::Empty();
    return freed;
  }

 private:
  T value_ = Traits::Empty();
};

struct KernelHandleTraits {
  static HANDLE Empty() { return nullptr; }
  // Some calls answer nullptr on failure, CreateFileW answers INVALID_HANDLE_VALUE.
  static bool Valid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static bool Free(HANDLE h) { return CloseHandle(h) != 0; }
};
using OwnedHandle = Owned<HANDLE, KernelHandleTraits>;

struct FindHandleTraits {
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  static bool Valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static bool Free(HANDLE h) { return FindClose(h) != 0; }
};
using OwnedFind = Owned<HANDLE, FindHandleTraits>;

struct RegKeyTraits {
  static HKEY Empty() { return nullptr; }
  static bool Valid(HKEY k) { return k != nullptr; }
  static bool Free(HKEY k) { return RegCloseKey(k) == ERROR_SUCCESS; }
};
using OwnedKey = Owned<HKEY, RegKeyTraits>;

struct ModuleTraits {
  static HMODULE Empty() { return nullptr; }
  static bool Valid(HMODULE m) { return m != nullptr; }
  static bool Free(HMODULE m) { return FreeLibrary(m) != 0; }
};
using OwnedModule = Owned<HMODULE, ModuleTraits>;

// Memory the shell or COM allocated for the caller: item ID lists (PIDLs)
// and returned strings.
template <class P>
struct CoTaskMemTraits {
  static P Empty() { return nullptr; }
  static bool Valid(P p) { return p != nullptr; }
  static bool Free(P p) {
    CoTaskMemFree(const_cast<void*>(static_cast<const void*>(p)));
    return true;
  }
};
template <class P>
using CoTaskMem = Owned<P, CoTaskMemTraits<P>>;

// Memory the security and shell calls allocate with LocalAlloc: SID texts,
// security descriptors, argument vectors.
template <class P>
struct LocalMemTraits {
  static P Empty() { return nullptr; }
  static bool Valid(P p) { return p != nullptr; }
  static bool Free(P p) { return LocalFree(reinterpret_cast<HLOCAL>(p)) == nullptr; }
};
template <class P>
using LocalMem = Owned<P, LocalMemTraits<P>>;

// One reference to a COM object, released when it goes.
template <class T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() { reset(); }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ComRef(ComRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  // For CoCreateInstance and QueryInterface; what was held is released first.
  T** Out() {
    reset();
    return &p_;
  }
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }

 private:
  T* p_ = nullptr;
};
