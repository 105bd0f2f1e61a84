#include "ui/PathText.h"

#include <QUrl>

#include <string_view>

namespace mvx::ui {

namespace {

bool IsHexDigit(char32_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int HexValue(char32_t c)
{
    if (c <= '9')
        return static_cast<int>(c - '0');
    return static_cast<int>((c | 0x20) - 'a' + 10);
}

bool IsContinuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence that starts at `at`, or 0 when the
// byte there does not start one: no overlong forms, no surrogates, nothing
// beyond U+10FFFF.
std::size_t SequenceLength(std::string_view bytes, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > bytes.size() || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!IsContinuation(byte(i)))
            return 0;
    return length;
}

// Characters that a field would not show, or would show as nothing.
bool IsControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

void AppendEscaped(QString &text, std::string_view bytes)
{
    for (const char b : bytes)
        text += QStringLiteral("%%1").arg(static_cast<unsigned char>(b), 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString PathToText(const std::string &path)
{
    const std::string_view bytes = path;
    QString text;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t length = SequenceLength(bytes, at);
        const std::string_view piece = bytes.substr(at, length == 0 ? 1 : length);
        if (length == 0) {
            AppendEscaped(text, piece);
        } else {
            const QString character = QString::fromUtf8(piece.data(), static_cast<qsizetype>(piece.size()));
            const char32_t code = character.toUcs4().constFirst();
            const bool escapesBytes = code == '%' && at + 2 < bytes.size() && IsHexDigit(bytes[at + 1]) &&
                                      IsHexDigit(bytes[at + 2]);
            if (IsControl(code) || escapesBytes)
                AppendEscaped(text, piece);
            else
                text += character;
        }
        at += piece.size();
    }
    return text;
}

std::string TextToPath(const QString &text)
{
    std::string path;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (text.at(i) == u'%' && i + 2 < size && IsHexDigit(text.at(i + 1).unicode()) &&
            IsHexDigit(text.at(i + 2).unicode())) {
            path += static_cast<char>(HexValue(text.at(i + 1).unicode()) * 16 +
                                      HexValue(text.at(i + 2).unicode()));
            i += 2;
            continue;
        }
        // A surrogate pair stays together.
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < size ? 2 : 1;
        path += text.mid(i, length).toStdString();
        i += length - 1;
    }
    return path;
}

std::string PathOfUrl(const QUrl &url)
{
    if (!url.isLocalFile())
        return {};
    // The fully encoded form keeps a byte that is not UTF-8 as its escape,
    // where every decoded form would turn it into U+FFFD.
    std::string path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
        path = "//" + host.toStdString() + path;
    return path;
}

} // namespace mvx::ui
