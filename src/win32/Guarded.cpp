#include "win32/Guarded.h"

#include "check/FailureText.h"
#include "win32/Boxes.h"

namespace mvx::win32 {

void ApplicationEvents1Exception(const std::exception_ptr &failure) noexcept
{
    // Showing the box needs memory too; when even that fails, the failure
    // is dropped rather than ending the program.
    try {
        ErrorBox(FailureMessage(failure));
    } catch (...) {
        MessageBeep(MB_ICONERROR);
    }
}

} // namespace mvx::win32
