#pragma once
// Small owners for Win32 handles: each closes what it holds when it goes out of scope.
#include <windows.h>
#include <objbase.h>
#include <utility>

template <typename Traits>
class CUniqueHandle {
public:
  using Type = typename Traits::Type;
  CUniqueHandle() = default;
  explicit CUniqueHandle(Type h) : h_(h) {}
  CUniqueHandle(const CUniqueHandle&) = delete;
  CUniqueHandle& operator=(const CUniqueHandle&) = delete;
  CUniqueHandle(CUniqueHandle&& o) noexcept : h_(o.Detach()) {}
  CUniqueHandle& operator=(CUniqueHandle&& o) noexcept {
    if (this != &o) Reset(o.Detach());
    return *this;
  }
  ~CUniqueHandle() { Reset(); }

  Type Get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::Invalid(); }
  Type Detach() { return std::exchange(h_, Traits::Invalid()); }
  void Reset(Type h = Traits::Invalid()) {
    if (h_ != Traits::Invalid()) Traits::Close(h_);
    h_ = h;
  }
  // For out-parameters of the API: releases what is held first.
  Type* Put() {
    Reset();
    return &h_;
  }

private:
  Type h_ = Traits::Invalid();
};

struct KernelHandleTraits {  // events, processes, threads: null means none
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFileW: INVALID_HANDLE_VALUE means none
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::CloseHandle(h); }
};
struct RegKeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::RegCloseKey(h); }
};
struct ModuleTraits {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::FreeLibrary(h); }
};
struct GlobalMemoryTraits {
  using Type = HGLOBAL;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::GlobalFree(h); }
};
struct MenuTraits {
  using Type = HMENU;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DestroyMenu(h); }
};
struct IconTraits {  // icons loaded at a size of our own, which are not shared
  using Type = HICON;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DestroyIcon(h); }
};
struct RegionTraits {
  using Type = HRGN;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DeleteObject(h); }
};
struct FindTraits {  // FindFirstFileW: INVALID_HANDLE_VALUE means none
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::FindClose(h); }
};
struct MappedViewTraits {
  using Type = void*;
  static Type Invalid() { return nullptr; }
  static void Close(Type view) { ::UnmapViewOfFile(view); }
};
struct HookTraits {
  using Type = HHOOK;
  static Type Invalid() { return nullptr; }
  static void Close(Type hook) { ::UnhookWindowsHookEx(hook); }
};

struct CoTaskStringTraits {  // texts the shell allocates for its caller
  using Type = wchar_t*;
  static Type Invalid() { return nullptr; }
  static void Close(Type text) { ::CoTaskMemFree(text); }
};

using CHandle = CUniqueHandle<KernelHandleTraits>;
using CFileHandle = CUniqueHandle<FileHandleTraits>;
using CRegKey = CUniqueHandle<RegKeyTraits>;
using CModule = CUniqueHandle<ModuleTraits>;
using CGlobalMemory = CUniqueHandle<GlobalMemoryTraits>;
using CMenu = CUniqueHandle<MenuTraits>;
using CIcon = CUniqueHandle<IconTraits>;
using CRegion = CUniqueHandle<RegionTraits>;
using CFindHandle = CUniqueHandle<FindTraits>;
using CMappedView = CUniqueHandle<MappedViewTraits>;
using CHook = CUniqueHandle<HookTraits>;
using CCoTaskString = CUniqueHandle<CoTaskStringTraits>;

// Holds a slim reader/writer lock exclusively for as long as it lives.
class CExclusiveLock {
public:
  explicit CExclusiveLock(SRWLOCK& lock) : lock_(lock) { ::AcquireSRWLockExclusive(&lock_); }
  CExclusiveLock(const CExclusiveLock&) = delete;
  CExclusiveLock& operator=(const CExclusiveLock&) = delete;
  ~CExclusiveLock() { ::ReleaseSRWLockExclusive(&lock_); }

private:
  SRWLOCK& lock_;
};

// Holds a slim reader/writer lock shared for as long as it lives.
class CSharedLock {
public:
  explicit CSharedLock(SRWLOCK& lock) : lock_(lock) { ::AcquireSRWLockShared(&lock_); }
  CSharedLock(const CSharedLock&) = delete;
  CSharedLock& operator=(const CSharedLock&) = delete;
  ~CSharedLock() { ::ReleaseSRWLockShared(&lock_); }

private:
  SRWLOCK& lock_;
};

// Locks a global memory block for as long as it lives.
class CGlobalLock {
public:
  explicit CGlobalLock(HGLOBAL h) : h_(h), p_(::GlobalLock(h)) {}
  CGlobalLock(const CGlobalLock&) = delete;
  CGlobalLock& operator=(const CGlobalLock&) = delete;
  ~CGlobalLock() {
    if (p_) ::GlobalUnlock(h_);
  }
  void* Get() const { return p_; }

private:
  HGLOBAL h_;
  void* p_;
};

// Holds the clipboard open.
class CClipboard {
public:
  explicit CClipboard(HWND owner) : open_(::OpenClipboard(owner) != FALSE) {}
  CClipboard(const CClipboard&) = delete;
  CClipboard& operator=(const CClipboard&) = delete;
  ~CClipboard() {
    if (open_) ::CloseClipboard();
  }
  bool IsOpen() const { return open_; }

private:
  bool open_;
};

// A COM interface pointer that releases its reference.
template <typename T>
class CComPtr {
public:
  CComPtr() = default;
  CComPtr(const CComPtr& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  CComPtr& operator=(const CComPtr& o) {
    CComPtr(o).Swap(*this);
    return *this;
  }
  CComPtr(CComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  CComPtr& operator=(CComPtr&& o) noexcept {
    CComPtr(std::move(o)).Swap(*this);
    return *this;
  }
  ~CComPtr() { Reset(); }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void Reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T** Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  void Swap(CComPtr& o) noexcept { std::swap(p_, o.p_); }

private:
  T* p_ = nullptr;
};

// Releases a storage medium handed out by IDataObject::GetData.
class CStgMedium {
public:
  CStgMedium() { ::ZeroMemory(&m_, sizeof m_); }
  CStgMedium(const CStgMedium&) = delete;
  CStgMedium& operator=(const CStgMedium&) = delete;
  ~CStgMedium() { ::ReleaseStgMedium(&m_); }
  // For GetData's out-parameter: releases what is held first.
  STGMEDIUM* Put() {
    ::ReleaseStgMedium(&m_);
    ::ZeroMemory(&m_, sizeof m_);
    return &m_;
  }
  STGMEDIUM& Get() { return m_; }

private:
  STGMEDIUM m_;
};
