// A modal window that only its OK button closes: it has no close box and no
// Cancel, so Escape does nothing, as in the windows it stands beside.
#pragma once

#include <QDialog>
#include <QKeyEvent>

namespace mvx::ui {

class OkOnlyDialog : public QDialog {
public:
    using QDialog::QDialog;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QDialog::keyPressEvent(event);
    }
};

} // namespace mvx::ui
