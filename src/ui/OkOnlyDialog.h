// A modal window that only its OK button closes: it has no title-bar buttons
// and no Cancel, so Escape does nothing, as in the windows it stands beside.
#pragma once

#include "ui/Boxes.h"

#include <QDialog>
#include <QKeyEvent>
#include <QPointer>
#include <QScopeGuard>

namespace mvx::ui {

class OkOnlyDialog : public QDialog {
public:
    using QDialog::QDialog;

    // Shows the window modally, then asks for its release however the
    // showing ends; the event loop destroys it once the caller has returned.
    static void ShowThenRelease(OkOnlyDialog *form)
    {
        const auto release = qScopeGuard([form = QPointer<OkOnlyDialog>(form)] {
            if (form)
                form->deleteLater();
        });
        OpenModal(*form);
    }

protected:
    // After the layout is set up: a title without any buttons, and the
    // size the layout gives, fixed.
    void FixFrame()
    {
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        setFixedSize(size());
    }

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
