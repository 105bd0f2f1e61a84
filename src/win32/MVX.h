// The main window: the two path fields with their browse buttons, the
// Check/Stop and Exit buttons, the progress bar and the menu bar.
#pragma once

#include "check/MainWindowRules.h"
#include "check/SizeRule.h"
#include "win32/BarProgress.h"
#include "win32/DialogWindow.h"
#include "win32/TaskBarButton.h"

#include <optional>
#include <string>
#include <vector>

namespace mvx::win32 {

// The class of the main window, by which a second start finds it.
extern const wchar_t *const kMainWindowClass;

class TMainForm final : public DialogWindow, public MainWindowRules {
public:
    // parameters: the program's command-line parameters after its own name.
    explicit TMainForm(std::vector<std::string> parameters);
    ~TMainForm() override;

    // FormShow, then the window appears, shown as the system asks.
    void Show(int showCommand);

    void Button4Click();
    void MenuHelpClick();
    void MenuVerClick();
    void SetCommandsEnabled(bool enabled) override;

    // The two paths of a later start, taken as the command line's would be;
    // a window that is checking keeps the paths it is comparing.
    void FillPathsWhenIdle(const std::wstring &source, const std::wstring &target);

private:
    bool Message(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The layout at dpi, the icons at their sizes there, and the sizing rule
    // of that layout.
    void LayOut(int dpi) override;
    SIZE SizeAt(int dpi) override;
    void FormCreate();
    void FormShow();
    void FormResize();
    void FormClose();
    void Command(int id, int code);
    // A drop of files from the shell onto one of the path fields.
    void FieldDropFiles(HWND field, HDROP drop);
    static LRESULT CALLBACK FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR form);

    // The controls, as the check and the window's rules read and draw them.
    std::string SourcePath() override;
    std::string TargetPath() override;
    std::string CheckCaption() override;
    void SetCheckCaption(const std::string &caption) override;
    void SetExitEnabled(bool enabled) override;
    void FocusCheck() override;
    void ChooseFile(PathField field) override;
    // The bar.
    void DrawProgress(std::int64_t done, std::int64_t total) override;
    void ResetBar() override;
    void DrawWaiting(bool waiting) override;
    // Messages and other windows.
    void ProcessEvents() override;
    void CloseLater() override;
    void ShowWarning(const std::string &message) override;
    void OpenVerdictWindow(const ComparisonOutcome &outcome) override;

    BarProgress progress_;
    TaskBarButton taskBarButton_;
    // Known once the layout is applied; sizes that come before are the
    // system's own.
    std::optional<SizeRule> sizeRule_;
    std::vector<std::string> parameters_;
    // OpenDialog1 opens on the last name confirmed through it, from either button.
    std::wstring lastConfirmed_;
};

} // namespace mvx::win32
