#include "support/ModalAnswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>

namespace mvx::test {

ModalWatcher::ModalWatcher(std::function<void(QWidget *)> look) : look_(std::move(look))
{
    connect(&timer_, &QTimer::timeout, this, &ModalWatcher::Poll);
    timer_.start(5);
}

QStringList ModalWatcher::Texts() const
{
    QStringList texts;
    for (const SeenModal &seen : seen_)
        texts << seen.text;
    return texts;
}

void ModalWatcher::Poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible() || handled_.contains(modal))
        return;
    handled_ << modal;
    SeenModal seen;
    seen.className = QString::fromLatin1(modal->metaObject()->className());
    seen.title = modal->windowTitle();
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        seen.text = box->text();
        seen.icon = box->icon();
    } else if (auto *memo = modal->findChild<QPlainTextEdit *>()) {
        seen.text = memo->toPlainText();
    }
    seen_ << seen;

    const QPointer<QWidget> guard(modal);
    if (look_)
        look_(modal);
    if (!guard || !guard->isVisible())
        return;
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        if (!box->buttons().isEmpty())
            box->buttons().constFirst()->click();
    } else if (auto *dialog = qobject_cast<QDialog *>(modal)) {
        dialog->accept();
    }
}

QList<QWidget *> VisibleTopLevels(const QWidget *except)
{
    QList<QWidget *> visible;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w != except && w->isVisible())
            visible << w;
    return visible;
}

bool DropFiles(QWidget *target, const QStringList &paths)
{
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    return DropUrls(target, urls);
}

bool DropUrls(QWidget *target, const QList<QUrl> &urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPointF at = QRectF(target->rect()).center();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

} // namespace mvx::test
