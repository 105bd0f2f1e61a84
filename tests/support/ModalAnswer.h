// Answers the modal windows that a command opens, the way a user would, and
// records what they showed.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

class QUrl;
class QWidget;

namespace mvx::test {

struct SeenModal {
    QString className; // "QMessageBox", "mvx::ui::TKekkaForm", ...
    QString title;
    QString text;  // a message box's text, or the verdict's two lines
    int icon = -1; // QMessageBox::Icon for message boxes
};

// While alive, every modal window that opens is recorded, shown to `look`
// (if given) and then dismissed: a message box by its first button, any
// other dialog by accept(), unless `look` already closed it.
class ModalWatcher : public QObject {
public:
    explicit ModalWatcher(std::function<void(QWidget *)> look = {});
    [[nodiscard]] const QList<SeenModal> &Seen() const { return seen_; }
    [[nodiscard]] QStringList Texts() const;

private:
    void Poll();

    std::function<void(QWidget *)> look_;
    QList<SeenModal> seen_;
    QList<QPointer<QWidget>> handled_;
    QTimer timer_;
};

// Top-level windows still visible, other than `except`.
QList<QWidget *> VisibleTopLevels(const QWidget *except = nullptr);

// The drop of local files on a widget, as a file manager sends it. True when
// the widget accepted the drop.
bool DropFiles(QWidget *target, const QStringList &paths);
bool DropUrls(QWidget *target, const QList<QUrl> &urls);

} // namespace mvx::test
