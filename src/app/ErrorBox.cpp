#include "ErrorBox.h"

#include "AppInfo.h"

#include <QMessageBox>
#include <QPushButton>

namespace mvx {

QString WithClosingPeriod(const QString &message)
{
    const QByteArray bytes = message.toUtf8();
    if (!bytes.isEmpty() && static_cast<unsigned char>(bytes.back()) > '.')
        return message + u'.';
    return message;
}

void ShowErrorBox(const QString &message)
{
    QMessageBox box(QMessageBox::Critical, kApplicationTitle, WithClosingPeriod(message), QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}

} // namespace mvx
