// System DLLs that most runs never call, loaded on their first use: a
// start-up then maps neither them nor what they import (under Wine, shell32
// and ole32 bring five DLLs and about 2 MB of working set with them).
#pragma once

#include <cstring>
#include <string>

#include "common/win32/unique_handle.h"
#include "common/win32/wide_text.h"
#include "common/win32/win.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

namespace quorin::win32 {

// The function `name` of `module`, of the type of `Function`; null when the
// module or the function is missing.
template <typename Function> Function* FunctionOf(HMODULE module, const char* name) {
    const FARPROC found = module ? ::GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(found));
}
// The same of a DLL every process has loaded (kernel32, ntdll).
template <typename Function> Function* LoadedFunction(const wchar_t* module, const char* name) {
    return FunctionOf<Function>(::GetModuleHandleW(module), name);
}

// Where DLLs are looked for from now on: the system's own folder alone, never
// the program's (a Downloads folder, where anyone may have put a DLL of a
// system name). Called first thing in WinMain; on a Windows 7 without the
// update that brought it, at least the current folder is left out.
inline void RestrictDllSearch() {
    using SetDefault = BOOL WINAPI(DWORD);
    const auto restrict = LoadedFunction<SetDefault>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (!restrict || !restrict(LOAD_LIBRARY_SEARCH_SYSTEM32))
        ::SetDllDirectoryW(L"");
}

// A DLL from the system's own folder, never one that lies beside the program.
class SystemDll {
  public:
    explicit SystemDll(const char* name) {
        wchar_t folder[MAX_PATH] = {};
        const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            module_.Reset(::LoadLibraryW(
                (std::wstring(folder, length) + L"\\" + std::wstring(name, name + strlen(name)))
                    .c_str()));
    }
    // The function `name`, of the type of `Function`; null when the DLL or
    // the function is missing.
    template <typename Function> Function* Find(const char* name) const {
        return FunctionOf<Function>(module_.Get(), name);
    }

  private:
    UniqueHmodule module_;
};

inline const SystemDll& Shell32() {
    static const SystemDll dll("shell32.dll");
    return dll;
}
inline const SystemDll& Ole32() {
    static const SystemDll dll("ole32.dll");
    return dll;
}

// The common controls of version 6, which the program's manifest binds to
// Windows' side-by-side store: loaded by name (the manifest redirects it) only
// once the DLL search is restricted, never imported, so that neither it nor
// what it loads (uxtheme.dll) is looked for beside the program at its start.
inline HMODULE CommonControls() {
    static const UniqueHmodule dll(::LoadLibraryW(L"comctl32.dll"));
    return dll.Get();
}
template <typename Function> Function* CommonControl(const char* name) {
    return FunctionOf<Function>(CommonControls(), name);
}
inline bool InitCommonControls(DWORD classes) {
    const INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), classes};
    const auto init = CommonControl<decltype(::InitCommonControlsEx)>("InitCommonControlsEx");
    return init && init(&icc);
}
inline BOOL Subclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data) {
    static const auto set = CommonControl<decltype(::SetWindowSubclass)>("SetWindowSubclass");
    return set && set(window, procedure, id, data);
}
inline LRESULT DefSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static const auto next = CommonControl<decltype(::DefSubclassProc)>("DefSubclassProc");
    return next ? next(window, message, wParam, lParam)
                : ::DefWindowProcA(window, message, wParam, lParam);
}

// COM for the thread that calls the shell, as ShellExecuteEx asks (single-
// threaded apartment, no OLE1 DDE), undone when it goes.
class ComApartment {
  public:
    ComApartment() {
        if (const auto start = Ole32().Find<decltype(::CoInitializeEx)>("CoInitializeEx"))
            started_ = SUCCEEDED(start(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    }
    ~ComApartment() {
        if (const auto end = Ole32().Find<decltype(::CoUninitialize)>("CoUninitialize");
            end && started_)
            end();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    bool started_ = false;
};

// `file` (a UTF-8 path) started by the shell with `verb` (ShellExecuteExW,
// and `mask` besides), from the folder `directory` unless it is empty, any
// prompt owned by `window`; `parameters` are command-line text as the system
// gave it (ANSI). Its process, or empty when none was started (GetLastError
// then tells why, where the shell says). The calling thread has COM started
// (ComApartment).
inline UniqueKernelHandle ShellStart(const char* verb, const std::string& file,
                                     const std::string& parameters, const std::string& directory,
                                     HWND window, int show, ULONG mask = 0) {
    const std::wstring wideVerb = WideFrom(verb, CP_ACP);
    const std::wstring wideFile = Widen(file);
    const std::wstring wideParameters = WideFrom(parameters, CP_ACP);
    const std::wstring wideDirectory = Widen(directory);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info; // 60 on 32-bit Windows, larger on 64-bit
    info.fMask = SEE_MASK_NOCLOSEPROCESS | mask;
    info.hwnd = window;
    info.lpVerb = wideVerb.c_str();
    info.lpFile = wideFile.c_str();
    info.lpParameters = wideParameters.c_str();
    info.lpDirectory = directory.empty() ? nullptr : wideDirectory.c_str();
    info.nShow = show;
    // A failed start leaves hProcess null.
    if (const auto execute = Shell32().Find<decltype(::ShellExecuteExW)>("ShellExecuteExW"))
        execute(&info);
    return UniqueKernelHandle(info.hProcess);
}

} // namespace quorin::win32
