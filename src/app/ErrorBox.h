// The application-wide report of an unexpected failure.
#pragma once

#include <QString>

namespace mvx {

// The message as the Error box shows it: a period is added unless the text is
// empty or its last byte is at most '.' (line breaks, blanks, "!" to ".").
// The last byte of a multi-byte character always lies above, so such a
// character always gets the period.
QString WithClosingPeriod(const QString &message);

// A modal box owned by the application: caption "Morvatix", the stop icon,
// one OK button. Returns when the user has pressed it.
void ShowErrorBox(const QString &message);

} // namespace mvx
