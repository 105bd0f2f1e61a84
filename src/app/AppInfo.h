// Who the program is, as the windows show it.
#pragma once

#include "Version.h"

#include <QString>

namespace mvx {

inline const QString kApplicationTitle = QString::fromUtf8(kTitleText);
inline const QString kVersionText = QString::fromUtf8(kVersionLine);

} // namespace mvx
