#include "app/RuntimeFolder.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QtGlobal>

#include <pwd.h>
#include <unistd.h>

namespace mvx {

void ChooseRuntimeFolder()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    // Named after the user as Qt names it; a user without a name (a bare
    // uid in a container) by the number.
    const passwd *user = ::getpwuid(::geteuid());
    const QString name = user != nullptr ? QFile::decodeName(user->pw_name) : QString::number(::geteuid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(QDir::tempPath() + QStringLiteral("/runtime-") + name));
}

} // namespace mvx
