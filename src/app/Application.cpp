#include "Application.h"

#include "ApplicationEvents.h"

namespace mvx {

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ui::TApplicationEvents::Raise(receiver, ui::TApplicationEvents::MessageOf(std::current_exception()));
        return false;
    }
}

} // namespace mvx
