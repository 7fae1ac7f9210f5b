// One move-only owner for each kind of Windows handle: a closer and an
// invalid value per kind, nothing else.
#pragma once

#include <utility>

#include "common/win32/win.h"

namespace quorin::win32 {

template <typename Traits> class UniqueHandle {
  public:
    using H = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(H h) : h_(h) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    H Get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::Invalid(); }
    H Release() { return std::exchange(h_, Traits::Invalid()); }
    void Reset(H h = Traits::Invalid()) {
        if (h_ != Traits::Invalid())
            Traits::Close(h_);
        h_ = h;
    }
    // For the out parameter of an opening call.
    H* Put() {
        Reset();
        return &h_;
    }

  private:
    H h_ = Traits::Invalid();
};

#define QUORIN_HANDLE_TRAITS(Name, Type, InvalidValue, CloseCall)                                  \
    struct Name {                                                                                  \
        using Handle = Type;                                                                       \
        static Handle Invalid() { return InvalidValue; }                                           \
        static void Close(Handle h) { CloseCall(h); }                                              \
    }

QUORIN_HANDLE_TRAITS(HkeyTraits, HKEY, nullptr, ::RegCloseKey);
QUORIN_HANDLE_TRAITS(KernelHandleTraits, HANDLE, nullptr, ::CloseHandle);
QUORIN_HANDLE_TRAITS(SocketTraits, SOCKET, INVALID_SOCKET, ::closesocket);
QUORIN_HANDLE_TRAITS(FileTraits, HANDLE, INVALID_HANDLE_VALUE, ::CloseHandle);
QUORIN_HANDLE_TRAITS(FindTraits, HANDLE, INVALID_HANDLE_VALUE, ::FindClose);
QUORIN_HANDLE_TRAITS(HwndTraits, HWND, nullptr, ::DestroyWindow);
QUORIN_HANDLE_TRAITS(HfontTraits, HFONT, nullptr, ::DeleteObject);
QUORIN_HANDLE_TRAITS(HbrushTraits, HBRUSH, nullptr, ::DeleteObject);
QUORIN_HANDLE_TRAITS(HmoduleTraits, HMODULE, nullptr, ::FreeLibrary);
#undef QUORIN_HANDLE_TRAITS

using UniqueHkey = UniqueHandle<HkeyTraits>;
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueSocket = UniqueHandle<SocketTraits>;
using UniqueFile = UniqueHandle<FileTraits>;
using UniqueFind = UniqueHandle<FindTraits>;
using UniqueHwnd = UniqueHandle<HwndTraits>;
using UniqueHfont = UniqueHandle<HfontTraits>;
using UniqueHbrush = UniqueHandle<HbrushTraits>;
using UniqueHmodule = UniqueHandle<HmoduleTraits>;

} // namespace quorin::win32
