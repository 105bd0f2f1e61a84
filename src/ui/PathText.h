// File names are bytes; the path fields show and take text. A name that is
// valid UTF-8 shows as itself. Every byte that is not part of valid UTF-8,
// and every control character, shows as "%" and two hexadecimal digits, so
// that such a name is readable, cannot be mistaken for another, and stays
// exact while the field is edited. A "%" of the name that happens to stand
// before two hexadecimal digits shows as "%25".
#pragma once

#include <QString>

#include <string>

class QUrl;

namespace mvx::ui {

// What a path field shows for a name.
QString PathToText(const std::string &path);

// The name a path field's text stands for: "%" with two hexadecimal digits is
// that byte, everything else its UTF-8.
std::string TextToPath(const QString &text);

// The exact name a local file URL stands for (its percent-encoding is the
// name's bytes), or nothing for any other URL.
std::string PathOfUrl(const QUrl &url);

} // namespace mvx::ui
