// The version window: the program's name and version, its home page and its
// mail address, both of which open in the desktop's own programs.
#pragma once

#include "ui/OkOnlyDialog.h"

#include <QString>

#include <memory>

namespace Ui {
class TVerForm;
}

namespace mvx::ui {

class TVerForm : public OkOnlyDialog {
    Q_OBJECT
public:
    explicit TVerForm(QWidget *owner);
    ~TVerForm() override;

    // The two links hand their targets to the desktop: the home page, and a
    // new mail addressed with the display name and the address.
    void Label3Click(const QString &target);
    void Label5Click(const QString &target);
    void Button1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();

    std::unique_ptr<Ui::TVerForm> ui_;
};

} // namespace mvx::ui
