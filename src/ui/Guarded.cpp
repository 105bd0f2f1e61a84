#include "ui/Guarded.h"

#include "check/FailureText.h"
#include "ui/Boxes.h"

#include <QApplication>

namespace mvx::ui {

void ApplicationEvents1Exception(const std::exception_ptr &failure) noexcept
{
    // Showing the box needs memory too; when even that fails, the failure
    // is only heard rather than ending the program.
    try {
        ErrorBox(QString::fromStdString(FailureMessage(failure)));
    } catch (...) {
        QApplication::beep();
    }
}

} // namespace mvx::ui
