#include "ApplicationEvents.h"

#include "ErrorBox.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace mvx::ui {

namespace {
// Oldest first; components may go away in any order.
std::vector<TApplicationEvents *> routes;
} // namespace

TApplicationEvents::TApplicationEvents(QObject *parent) : QObject(parent)
{
    routes.push_back(this);
}

TApplicationEvents::~TApplicationEvents()
{
    routes.erase(std::remove(routes.begin(), routes.end(), this), routes.end());
}

void TApplicationEvents::Raise(QObject *sender, const QString &message)
{
    if (routes.empty())
        ShowErrorBox(message);
    else
        emit routes.back()->OnException(sender, message);
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
