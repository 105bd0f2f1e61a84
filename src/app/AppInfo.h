// Who the program is: its title and version as the user sees them.
#pragma once

#include <QString>

namespace mvx {

inline const QString kApplicationTitle = QStringLiteral("Morvatix");
inline const QString kVersionText = QStringLiteral("Morvatix  Ver 2.01");

} // namespace mvx
