#pragma once
// Owners for Win32 handles, registry keys, COM pointers, COM apartments and shell
// allocations. Windows only.
#include <windows.h>
#include <objbase.h>

#include <utility>

namespace winh {

// One owner type per kind of handle; Traits names the empty value and the closing call.
template <typename Traits>
class Unique {
 public:
  using Type = typename Traits::Type;

  Unique() = default;
  explicit Unique(Type value) : value_(value) {}
  ~Unique() { reset(); }
  Unique(Unique&& other) noexcept : value_(std::exchange(other.value_, Traits::Empty())) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(std::exchange(other.value_, Traits::Empty()));
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;

  Type get() const { return value_; }
  explicit operator bool() const { return Traits::Valid(value_); }
  void reset(Type value = Traits::Empty()) {
    if (Traits::Valid(value_)) Traits::Close(value_);
    value_ = value;
  }
  // For out-parameters: releases the current value first.
  Type* put() {
    reset();
    return &value_;
  }
  Type release() { return std::exchange(value_, Traits::Empty()); }

 private:
  Type value_ = Traits::Empty();
};

// Kernel objects: processes, threads, files, tokens. Both null and INVALID_HANDLE_VALUE
// mean "none", since the API returns one or the other depending on the call.
struct KernelTraits {
  using Type = HANDLE;
  static Type Empty() { return nullptr; }
  static bool Valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::CloseHandle(h); }
};
using UniqueHandle = Unique<KernelTraits>;

// Toolhelp snapshots are kernel handles as well; the name says what the owner holds.
struct SnapshotTraits : KernelTraits {};
using UniqueSnapshot = Unique<SnapshotTraits>;

struct KeyTraits {
  using Type = HKEY;
  static Type Empty() { return nullptr; }
  static bool Valid(Type k) { return k != nullptr; }
  static void Close(Type k) { ::RegCloseKey(k); }
};
using UniqueKey = Unique<KeyTraits>;

// Memory the shell hands out with CoTaskMemAlloc: known-folder paths, item id lists.
template <typename T>
struct CoTaskMemTraits {
  using Type = T*;
  static Type Empty() { return nullptr; }
  static bool Valid(Type p) { return p != nullptr; }
  static void Close(Type p) { ::CoTaskMemFree(p); }
};
template <typename T>
using CoTaskMem = Unique<CoTaskMemTraits<T>>;

// A COM interface pointer, released once.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }

  template <typename U>
  ComPtr<U> As() const {
    ComPtr<U> other;
    if (p_) p_->QueryInterface(__uuidof(U), other.put_void());
    return other;
  }

 private:
  T* p_ = nullptr;
};

// COM for the current thread in a single-threaded apartment, for the scope's lifetime.
// Every successful initialisation (S_FALSE included) is balanced by one uninitialisation.
class ComScope {
 public:
  ComScope() : hr_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  bool ok() const { return SUCCEEDED(hr_); }

 private:
  const HRESULT hr_;
};

}  // namespace winh
