// The verdict window: a red circle or cross, the verdict and the time taken.
#pragma once

#include "check/ComparisonOutcome.h"
#include "ui/OkOnlyDialog.h"

#include <memory>

namespace Ui {
class TKekkaForm;
}

namespace mvx::ui {

class TKekkaForm : public OkOnlyDialog {
    Q_OBJECT
public:
    TKekkaForm(const ComparisonOutcome &outcome, QWidget *owner);
    ~TKekkaForm() override;

    void ButOkClick();

    // The mark as drawn: 80 x 80 units, each pixelRatio pixels wide.
    static QImage DrawMark(bool sameFile, qreal pixelRatio = 1.0);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();

    std::unique_ptr<Ui::TKekkaForm> ui_;
    ComparisonOutcome outcome_;
};

} // namespace mvx::ui
