#include "win32/Guarded.h"

#include "win32/Boxes.h"

#include <stdexcept>
#include <string>

namespace mvx::win32 {

namespace {

std::string MessageOf(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception &e) {
        return e.what();
    } catch (...) {
        return "予期しないエラーが発生しました";
    }
}

} // namespace

void ApplicationEvents1Exception(const std::exception_ptr &failure) noexcept
{
    // Showing the box needs memory too; when even that fails, the failure
    // is dropped rather than ending the program.
    try {
        ErrorBox(MessageOf(failure));
    } catch (...) {
        MessageBeep(MB_ICONERROR);
    }
}

} // namespace mvx::win32
