#include "dialogs/win32/patch_files_window.h"

#include "common/win32/tool_dialog.h"
#include "console/game_plans.h"
#include "dialogs/patch_files.h"
#include "install/win32/store_files_win32.h"

namespace quorin::win32 {

namespace {

class PatchFilesWindow : public ToolDialog {
  public:
    explicit PatchFilesWindow(const PatchFilesPlace& place) : place_(place) {}

  protected:
    void OnInit() override {
        // A take that a crash stopped is finished or undone before anything is shown.
        const std::string left = StoreTake(files_, place_.toolFolder, GameData()).Recover();
        Refresh();
        if (!left.empty())
            ::SetWindowTextA(Control(kIdPfProgress), left.c_str());
    }

    void OnCommand(int id, int code) override {
        if (code != BN_CLICKED)
            return;
        if (id == kIdPfTake && !taking_ && version_)
            Take();
        else if (id == kIdPfStop)
            stop_ = true;
        else if (id == kIdPfClose)
            OnClose();
    }
    void OnClose() override {
        if (!taking_)
            return Close();
        stop_ = closeAfter_ = true; // closes once the take has put the store back
    }

  private:
    std::string GameData() const { return GameDataFolder(place_.installPath); }

    void Refresh() {
        const StoreReport report = InspectStore(files_, place_.toolFolder);
        ::SetWindowTextA(Control(kIdPf100), VersionText(report.v100).c_str());
        ::SetWindowTextA(Control(kIdPf101), VersionText(report.v101).c_str());
        ::SetWindowTextA(Control(kIdPfChecks), ChecksText(report).c_str());
        std::string problem;
        version_ = InstalledVersion(
            place_.marker, files_.FileVersion(ClientExecutablePath(place_.installPath)), problem);
        ::SetWindowTextA(Control(kIdPfTake), TakeButtonText(version_).c_str());
        ::EnableWindow(Control(kIdPfTake), version_ && !taking_);
        ::EnableWindow(Control(kIdPfStop), taking_);
        if (!problem.empty())
            ::SetWindowTextA(Control(kIdPfProgress), problem.c_str());
    }

    // Lets the window answer while the take runs: Stop, Close, painting.
    bool Going(const TakeProgress& progress) {
        const std::string text = ProgressText(progress);
        if (text != shown_)
            ::SetWindowTextA(Control(kIdPfProgress), (shown_ = text).c_str());
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                stop_ = true;
                break;
            }
            if (!::IsDialogMessageA(Handle(), &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
        return !stop_;
    }

    void Take() {
        taking_ = true;
        stop_ = false;
        shown_.clear();
        ::EnableWindow(Control(kIdPfTake), FALSE);
        ::EnableWindow(Control(kIdPfStop), TRUE);
        ::SetFocus(Control(kIdPfStop));
        const TakeResult result =
            StoreTake(files_, place_.toolFolder, GameData())
                .Take(*version_, [this](const TakeProgress& p) { return Going(p); });
        taking_ = false;
        if (closeAfter_)
            return Close();
        Refresh();
        ::SetWindowTextA(Control(kIdPfProgress), result.told.c_str());
        ::SetFocus(Control(kIdPfClose));
    }

    const PatchFilesPlace& place_;
    StoreFiles files_;
    std::optional<int> version_;
    bool taking_ = false;
    bool stop_ = false;
    bool closeAfter_ = false;
    std::string shown_;
};

} // namespace

void PatchFilesBox::ShowModal(HWND owner, const PatchFilesPlace& place) {
    PatchFilesWindow window(place);
    window.RunModal(kPatchFilesTitle, kPatchFilesClientWidth, kPatchFilesClientHeight,
                    kPatchFilesControls, owner);
}

} // namespace quorin::win32
