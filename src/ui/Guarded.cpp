#include "ui/Guarded.h"

#include "ui/Boxes.h"

#include <stdexcept>

namespace mvx::ui {

namespace {

QString MessageOf(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("予期しないエラーが発生しました");
    }
}

} // namespace

void ApplicationEvents1Exception(const std::exception_ptr &failure) noexcept
{
    ErrorBox(MessageOf(failure));
}

} // namespace mvx::ui
