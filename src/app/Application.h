// The application object. Handlers guard themselves; this catches whatever
// still escapes one, so that no failure unwinds through the event loop.
#pragma once

#include <QApplication>

namespace mvx {

class Application : public QApplication {
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace mvx
