// quorin-inspect: reads what a running Quorin window shows, from another
// process under the same Wine server (or Windows session), for the demo and
// the screenshots.
//
//   quorin-inspect [--title T] [--wait-answer] [--wait-status S] [--click ID]
//                  [--label-click ID] [--hover ID] [--hover-last ID] [--rect] [--text]
//                  [--close]
//   quorin-inspect --which "T1|T2|..."
//
// --which waits (20 s at most) for a shown window with one of those titles,
// the main window or a box that came before it, and prints the title found.
// The window is looked for until it is shown (20 s at most). --wait-answer
// waits (20 s at most) until the status shows the outcome of a query;
// --wait-status waits until the status reads S (or one of S's texts
// separated by "|"); --click presses the button
// with that id and --label-click clicks a label (both asynchronously);
// --hover rests the pointer on the control with that id, and --hover-last on
// the last row of that list, until its tooltip shows; --rect prints the window's outer rectangle,
// with any tooltip it shows, as WxH+X+Y; --text prints a message box's message; without an action
// it prints the labels and both lists.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/layout.h"

namespace {

std::string Text(HWND control) {
    char text[1024] = {};
    ::GetWindowTextA(control, text, sizeof text);
    return text;
}

// What the control itself answers to WM_GETTEXT: a status bar's part, say,
// which GetWindowText does not ask another process's window for.
std::string Answered(HWND control) {
    char text[1024] = {};
    ::SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

HWND Status(HWND main) {
    return ::GetDlgItem(::GetDlgItem(main, quorin::kIdStatusBar), quorin::kIdStatus);
}

std::string Row(HWND list, int i) {
    // Rows come back as UTF-16 across processes.
    const auto length = ::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring wide(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
    ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide.data()));
    std::string row;
    for (wchar_t c : wide) {
        if (!c)
            break;
        if (c == L'\n')
            row += "\\n";
        else
            row += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return row;
}

// The window's rectangle joined with that of every tooltip its thread shows.
BOOL CALLBACK JoinTooltip(HWND window, LPARAM joined) {
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    RECT r{};
    if (::IsWindowVisible(window) && std::string(name) == TOOLTIPS_CLASSA &&
        ::GetWindowRect(window, &r))
        ::UnionRect(reinterpret_cast<RECT*>(joined), reinterpret_cast<RECT*>(joined), &r);
    return TRUE;
}

// The first of `titles` ("A|B|C") that a shown window has, waited for.
int Which(const std::string& titles) {
    for (int tries = 0; tries < 200; ++tries, ::Sleep(100))
        for (std::size_t at = 0; at <= titles.size();) {
            const std::size_t end = std::min(titles.find('|', at), titles.size());
            const std::string title = titles.substr(at, end - at);
            if (HWND found = ::FindWindowA(nullptr, title.c_str());
                found && ::IsWindowVisible(found))
                return std::printf("%s\n", title.c_str()), 0;
            at = end + 1;
        }
    std::fprintf(stderr, "quorin-inspect: none of \"%s\" is shown\n", titles.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--which")
        return Which(argv[2]);
    std::string title = "Quorin";
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--title")
            title = argv[i + 1];
    HWND main = nullptr;
    for (int tries = 0; tries < 200 && !main; ++tries) {
        main = ::FindWindowA(nullptr, title.c_str());
        if (main && !::IsWindowVisible(main))
            main = nullptr; // still starting up
        if (!main)
            ::Sleep(100);
    }
    if (!main) {
        std::fprintf(stderr, "quorin-inspect: no window \"%s\"\n", title.c_str());
        return 1;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--wait-answer") {
            for (int tries = 0; tries < 200; ++tries) {
                const std::string status = Text(Status(main));
                if (status != "Querying server..." && status != "Jedi Academy Install Detected!")
                    break;
                ::Sleep(100);
            }
        } else if (arg == "--wait-status" && i + 1 < argc) {
            const std::string wanted = std::string("|") + argv[++i] + "|";
            for (int tries = 0;
                 tries < 200 && wanted.find("|" + Text(Status(main)) + "|") == std::string::npos;
                 ++tries)
                ::Sleep(100);
        } else if (arg == "--label-click" && i + 1 < argc) {
            const int id = std::atoi(argv[++i]);
            ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(main, id)));
            ::Sleep(300);
        } else if (arg == "--click" && i + 1 < argc) {
            ::PostMessageA(::GetDlgItem(main, std::atoi(argv[++i])), BM_CLICK, 0, 0);
            ::Sleep(300);
        } else if (arg == "--hover" && i + 1 < argc) {
            RECT box{};
            ::GetWindowRect(::GetDlgItem(main, std::atoi(argv[++i])), &box);
            ::SetCursorPos(box.left + 20, (box.top + box.bottom) / 2 - 1);
            ::Sleep(100);
            ::SetCursorPos(box.left + 21, (box.top + box.bottom) / 2); // a hand's small move
            ::Sleep(1500);
        } else if (arg == "--hover-last" && i + 1 < argc) {
            HWND list = ::GetDlgItem(main, std::atoi(argv[++i]));
            const auto last = ::SendMessageA(list, LB_GETCOUNT, 0, 0) - 1;
            RECT row{};
            ::SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(last),
                           reinterpret_cast<LPARAM>(&row));
            POINT at{(row.left + row.right) / 2, (row.top + row.bottom) / 2};
            ::ClientToScreen(list, &at);
            ::SetCursorPos(at.x - 1, at.y);
            ::Sleep(100);
            ::SetCursorPos(at.x, at.y); // a move within the list, as a hand would make
            ::Sleep(1500);
        } else if (arg == "--set-text" && i + 2 < argc) { // an edit box, as if typed
            HWND edit = ::GetDlgItem(main, std::atoi(argv[i + 1]));
            ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[i + 2]));
            i += 2;
            ::Sleep(300);
        } else if (arg == "--key" && i + 2 < argc) { // a key pressed in a control
            ::PostMessageA(::GetDlgItem(main, std::atoi(argv[i + 1])), WM_KEYDOWN,
                           static_cast<WPARAM>(std::atoi(argv[i + 2])), 0);
            i += 2;
            ::Sleep(300);
        } else if (arg == "--wait-gone" && i + 2 < argc) { // 30 s at most
            HWND child = ::GetDlgItem(main, std::atoi(argv[i + 1]));
            const std::string word = argv[i + 2];
            i += 2;
            for (int tries = 0; tries < 300 && Answered(child).find(word) != std::string::npos;
                 ++tries)
                ::Sleep(100);
        } else if (arg == "--child-text" && i + 1 < argc) {
            std::printf("%s\n", Answered(::GetDlgItem(main, std::atoi(argv[++i]))).c_str());
            return 0;
        } else if (arg == "--rect") {
            RECT r{};
            ::GetWindowRect(main, &r);
            ::EnumThreadWindows(::GetWindowThreadProcessId(main, nullptr), JoinTooltip,
                                reinterpret_cast<LPARAM>(&r));
            std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
            return 0;
        } else if (arg == "--text") { // a message box's message
            std::printf("%s\n", Text(::GetDlgItem(main, 0xFFFF)).c_str());
            return 0;
        } else if (arg == "--close") {
            ::PostMessageA(main, WM_CLOSE, 0, 0);
            return 0;
        } else if (arg == "--title") {
            ++i;
        }
    }
    using namespace quorin;
    std::printf("Status:         %s\n", Text(Status(main)).c_str());
    std::printf("Server IP:      %s\n", Text(::GetDlgItem(main, kIdIP)).c_str());
    std::printf("Server Port:    %s\n", Text(::GetDlgItem(main, kIdPort)).c_str());
    std::printf("Server Version: %s\n", Text(::GetDlgItem(main, kIdServerVersion)).c_str());
    std::printf("Client Version: %s\n", Text(::GetDlgItem(main, kIdClientVersion)).c_str());
    std::printf("Patch link:     %s\n",
                ::IsWindowVisible(::GetDlgItem(main, kIdPatch)) ? "shown" : "hidden");
    std::printf("Launch button:  %s\n",
                ::IsWindowVisible(::GetDlgItem(main, kIdLaunch)) ? "shown" : "hidden");
    HWND names = ::GetDlgItem(main, kIdVariables);
    HWND values = ::GetDlgItem(main, kIdValues);
    const int count = static_cast<int>(::SendMessageA(names, LB_GETCOUNT, 0, 0));
    std::printf("Server variables (%d):\n", count);
    for (int i = 0; i < count; ++i)
        std::printf("  %-24s %s\n", Row(names, i).c_str(), Row(values, i).c_str());
    return 0;
}
