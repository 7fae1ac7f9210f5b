// Paths cross into Windows as UTF-16: the program's own folder, the game's
// folder and the patch store may be named in any language, whatever the
// system's code page. Inside Quorin a path is UTF-8 text; the registry's
// values and the server's datagrams stay ANSI bytes, as the system keeps them.
#pragma once

#include <string>

#include "common/win32/win.h"

namespace quorin::win32 {

// `text` in `codePage`, as UTF-16; a byte the code page cannot read becomes
// U+FFFD, so that a bad name never turns into another file's name.
inline std::wstring WideFrom(const std::string& text, UINT codePage) {
    if (text.empty())
        return {};
    const int length =
        ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                              length);
    return wide;
}

// A UTF-8 path (or text) as Windows takes it.
inline std::wstring Widen(const std::string& utf8) {
    return WideFrom(utf8, CP_UTF8);
}

// UTF-16 from Windows as UTF-8.
inline std::string Narrow(const std::wstring& wide) {
    if (wide.empty())
        return {};
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                             nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                              length, nullptr, nullptr);
    return utf8;
}

// Text in the system's ANSI code page (a registry value as it is read) as UTF-8.
inline std::string Utf8FromAnsi(const std::string& ansi) {
    return Narrow(WideFrom(ansi, CP_ACP));
}

} // namespace quorin::win32
