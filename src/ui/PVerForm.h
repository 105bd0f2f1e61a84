// The version window: the program's name and version, its home page and its
// mail address, both of which open in the desktop's own programs.
#pragma once

#include "OkOnlyDialog.h"
#include <QString>

#include <memory>

namespace Ui {
class TVerForm;
}

namespace mvx::ui {

inline const QString kHomePage = QStringLiteral("https://www.example.org/morvatix/");
inline const QString kMailDisplayName = QStringLiteral("Morvatix");
inline const QString kMailAddress = QStringLiteral("morvatix@example.org");

// What the mail link hands to the desktop: the display name and the address
// in angle brackets, so that a new message opens already addressed.
QString MailTarget();

class TVerForm : public OkOnlyDialog {
    Q_OBJECT
public:
    explicit TVerForm(QWidget *owner);
    ~TVerForm() override;

    void Label3Click();
    void Label5Click();
    void Button1Click();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();

    std::unique_ptr<Ui::TVerForm> ui_;
};

} // namespace mvx::ui
