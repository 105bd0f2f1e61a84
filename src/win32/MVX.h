// The main window: the two path fields with their browse buttons, the
// Check/Stop and Exit buttons, the progress bar and the menu bar.
#pragma once

#include "check/CheckCommand.h"
#include "check/CheckView.h"
#include "win32/BarProgress.h"
#include "win32/DialogWindow.h"
#include "win32/PixelLayout.h"

#include <string>
#include <vector>

namespace mvx::win32 {

// The class of the main window, by which a second start finds it.
extern const wchar_t *const kMainWindowClass;

class TMainForm final : public DialogWindow, private CheckView {
public:
    // parameters: the program's command-line parameters after its own name.
    explicit TMainForm(std::vector<std::string> parameters);
    ~TMainForm() override;

    // FormShow, then the window appears, shown as the system asks.
    void Show(int showCommand);

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void MenuHelpClick();
    void MenuVerClick();
    void SetCommandsEnabled(bool enabled);

private:
    bool Message(UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormCreate();
    void FormShow();
    void FormResize();
    void FormClose();
    void Command(int id, int code);
    void Browse(int fieldId);
    // A drop of files from the shell onto one of the path fields.
    void FieldDropFiles(HWND field, HDROP drop);
    static LRESULT CALLBACK FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR form);

    // The check's view of this window.
    std::string SourcePath() override;
    std::string TargetPath() override;
    bool IsBusy() override;
    void EnterBusy() override;
    void RestoreIdle() override;
    void Warn(const std::string &message) override;
    void ShowVerdict(const ComparisonOutcome &outcome) override;
    void SetRange(int minimum, int maximum) override;
    void SetPosition(int position) override;
    void ProcessEvents() override;

    CheckCommand command_{*this};
    PixelLayout layout_;
    BarProgress progress_;
    std::vector<std::string> parameters_;
    std::wstring checkCaption_;
    // OpenDialog1 opens on the last name confirmed through it, from either button.
    std::wstring lastConfirmed_;
    SIZE designed_{};
    bool closePending_ = false;
};

} // namespace mvx::win32
