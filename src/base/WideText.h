// Windows speaks UTF-16 to programs; Morvatix's paths and texts are UTF-8.
// The one place where the two meet, for the file layer and every Windows
// front end.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mvx {

// Text that is not valid UTF-8 has no UTF-16 form and so names no file:
// nothing may stand in for it, since whatever stood in could be the name of
// another file. Empty text has none either.
std::optional<std::wstring> WideFromUtf8(const std::string &text);

// UTF-16 for text that is only shown, never opened: a message may hold a path
// that is not UTF-8, such as a lone surrogate's three-byte form, and the
// system's replacement character stands in for what has no UTF-16 form.
// Empty for empty text.
std::wstring WideForShowing(std::string_view text);

// UTF-8 for UTF-16 text. A lone surrogate, which a Windows name may hold but
// UTF-8 text cannot, keeps its three-byte form: no UTF-8 decoder accepts that,
// WideFromUtf8 included, so such a name names no file rather than another.
std::string Utf8FromWide(std::wstring_view wide);

} // namespace mvx
