// The route of a failure that leaves an event handler. Qt must never see an
// exception unwind through its event dispatch, so every handler that Qt calls
// runs inside Guarded, which hands the failure to the one application-wide
// route and lets the event loop carry on.
#pragma once

#include <QObject>
#include <QString>

#include <exception>
#include <utility>

namespace mvx::ui {

class TApplicationEvents : public QObject {
    Q_OBJECT
public:
    // The newest component is the route while it lives.
    explicit TApplicationEvents(QObject *parent = nullptr);
    ~TApplicationEvents() override;

    // Reports a failure through the current route, or straight to the Error
    // box when there is none.
    static void Raise(QObject *sender, const QString &message);

    // The message of whatever is being handled in the current catch block.
    static QString MessageOf(const std::exception_ptr &failure);

signals:
    void OnException(QObject *sender, const QString &message);
};

template <typename Handler> void Guarded(QObject *sender, Handler &&handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        TApplicationEvents::Raise(sender, TApplicationEvents::MessageOf(std::current_exception()));
    }
}

} // namespace mvx::ui
