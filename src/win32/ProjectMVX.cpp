// Morvatix: are two files identical, byte for byte?
#include "check/Guarded.h"
#include "check/NoAnswerText.h"
#include "base/CommandLine.h"
#include "win32/MVX.h"
#include "win32/MessagePump.h"
#include "win32/SingleInstance.h"

#include <commctrl.h>
#include <cstring>

int WINAPI wWinMain(HINSTANCE /*hInstance*/, HINSTANCE /*hPrevInstance*/, PWSTR /*lpCmdLine*/, int nShowCmd)
{
    const std::vector<std::string> parameters = mvx::ProgramParameters(0, nullptr);
    // Before this instance has a window of its own. A running instance
    // that does not answer was not brought forward: whoever started this
    // one is told, on the standard error it was given, if any.
    mvx::win32::SingleInstance instance;
    if (!instance.Claim(parameters)) {
        if (!instance.Unanswered())
            return 0;
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), mvx::kNoAnswerLine,
                  static_cast<DWORD>(std::strlen(mvx::kNoAnswerLine)), &written, nullptr);
        return mvx::kNoAnswerStatus;
    }

    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    int code = 0;
    mvx::Guarded([&] {
        mvx::win32::TMainForm MainForm(parameters);
        MainForm.Show(nShowCmd);
        code = mvx::win32::RunMessageLoop(MainForm.Window());
    });
    return code;
}
