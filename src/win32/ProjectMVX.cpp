// Morvatix: are two files identical, byte for byte?
#include "check/Guarded.h"
#include "compare/CommandLine.h"
#include "win32/MVX.h"
#include "win32/MessagePump.h"
#include "win32/SingleInstance.h"

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE /*hInstance*/, HINSTANCE /*hPrevInstance*/, PWSTR /*lpCmdLine*/, int nShowCmd)
{
    const std::vector<std::string> parameters = mvx::ProgramParameters(0, nullptr);
    // Before this instance has a window of its own.
    mvx::win32::SingleInstance instance;
    if (!instance.Claim(parameters))
        return 0;

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
