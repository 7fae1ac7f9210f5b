// The Patch Files window under Wine: what the store lacks, a stand-in game's
// files taken on a click; with QUORIN_SHOT (a Windows path) it saves a BMP.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/win32/controls.h"
#include "dialogs/patch_files.h"
#include "dialogs/win32/patch_files_window.h"
#include "tests/support/qstat_rules.h"
#include "tests/support/win32/window_driver.h"

namespace quorin {
namespace {

// The window's pixels as they are on the screen, as a 24-bit BMP file.
void SaveShot(HWND window, const std::string& path) {
    RECT r{};
    ::GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ::SelectObject(memory, old);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::string pixels(static_cast<std::size_t>((w * 3 + 3) & ~3) * h, '\0');
    ::GetDIBits(memory, bitmap, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER file{
        0x4d42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof info + pixels.size()), 0, 0,
        sizeof(BITMAPFILEHEADER) + sizeof info};
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out << pixels;
}

TEST(PatchFilesWindow, ShowsWhatIsMissingAndTakesTheGamesFiles) {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string root =
        std::string(temp) + "quorin-pf-" + std::to_string(::GetCurrentProcessId());
    const std::string game = root + "\\JA\\GameData";
    std::filesystem::create_directories(game + "\\base");
    std::filesystem::create_directories(root + "\\tool");
    std::filesystem::copy_file(QUORIN_STANDIN_JAMP100, game + "\\jamp.exe");
    std::ofstream(game + "\\base\\assets0.pk3", std::ios::binary) << std::string(300000, 'a');

    std::string before, caption, told, after;
    test::WindowWatcher watcher(kPatchFilesTitle, [&](HWND found) {
        before = win32::WindowText(::GetDlgItem(found, kIdPf100));
        caption = win32::WindowText(::GetDlgItem(found, kIdPfTake));
        test::PostClick(found, kIdPfTake);
        for (int i = 0; i < 2000 && !told.starts_with("The game's"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            told = win32::WindowText(::GetDlgItem(found, kIdPfProgress));
        }
        // Read again: the length and the text are two calls, and the text may
        // have changed between them the first time.
        told = win32::WindowText(::GetDlgItem(found, kIdPfProgress));
        after = win32::WindowText(::GetDlgItem(found, kIdPf100));
        if (const char* shot = std::getenv("QUORIN_SHOT"))
            SaveShot(found, shot);
        test::PostClick(found, kIdPfClose);
    });
    win32::PatchFilesBox().ShowModal(nullptr, {root + "\\tool", root + "\\JA", std::nullopt});
    test::RemoveTree(root);
    EXPECT_EQ(before, "The patch folder \"" + root + "\\tool\\Patch Files\\100\" is missing.");
    EXPECT_EQ(caption, "&Take this game's files as 1.0.0");
    EXPECT_EQ(told, "The game's 1.0.0 files are in the store: 2 file(s).");
    EXPECT_TRUE(after.starts_with("Complete for a switch: 2 file(s), ")) << after;
}

} // namespace
} // namespace quorin
