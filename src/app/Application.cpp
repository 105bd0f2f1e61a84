#include "app/Application.h"

#include "ui/Guarded.h"

namespace mvx {

Application::Application(int &argc, char **argv) : QApplication(argc, argv) {}

bool Application::notify(QObject *receiver, QEvent *event)
{
    bool handled = false;
    ui::Guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace mvx
