#include "ApplicationEvents.h"

#include "ErrorBox.h"

#include <stdexcept>

namespace mvx::ui {

namespace {
TApplicationEvents *currentRoute = nullptr;
}

TApplicationEvents::TApplicationEvents(QObject *parent) : QObject(parent), previous_(currentRoute)
{
    currentRoute = this;
}

TApplicationEvents::~TApplicationEvents()
{
    if (currentRoute == this)
        currentRoute = previous_;
}

void TApplicationEvents::Raise(QObject *sender, const QString &message)
{
    if (currentRoute != nullptr)
        emit currentRoute->OnException(sender, message);
    else
        ShowErrorBox(message);
}

QString TApplicationEvents::MessageOf(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("予期しないエラーが発生しました");
    }
}

} // namespace mvx::ui
