#include "ui/ProgramIcon.h"

namespace mvx::ui {

QIcon ProgramIcon()
{
    return QIcon(QStringLiteral(":/morvatix/morvatix.svg"));
}

} // namespace mvx::ui
