#include "ui/LauncherEntry.h"

#include "check/Identity.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace mvx::ui {

void LauncherEntry::Show(const TaskBarState &state)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // The docks match the entry by its desktop file; the path is the
    // program's own.
    const QString desktopFile = QString::fromUtf8(kDesktopFileName);
    QString path = desktopFile;
    path.replace(u'.', u'/').prepend(u'/');
    QDBusMessage update = QDBusMessage::createSignal(
        path, QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    update << QStringLiteral("application://%1.desktop").arg(desktopFile)
           << QVariantMap{{QStringLiteral("progress"), state.fraction},
                          {QStringLiteral("progress-visible"), state.visible}};
    bus.send(update);
}

} // namespace mvx::ui
