#include "app/InstanceMessage.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace mvx {

namespace {

// 1 asked only to come forward; 2 brings the token and the paths.
constexpr char kRequestVersion = 2;
constexpr std::size_t kPathCount = 2;

void AppendLength(QByteArray &bytes, qsizetype length)
{
    bytes.append(char((length >> 8) & 0xff));
    bytes.append(char(length & 0xff));
}

// A token goes into the environment and on to the compositor: printable
// ASCII, as every launcher makes them.
bool IsPlainToken(const QByteArray &token)
{
    return std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

// Reads a request front to back; a byte string comes after its two-byte length.
class Reader {
public:
    explicit Reader(const QByteArray &bytes) : bytes_(bytes) {}

    [[nodiscard]] bool AtEnd() const { return offset_ == bytes_.size(); }
    [[nodiscard]] bool Short() const { return short_; }

    std::optional<char> Byte()
    {
        if (offset_ >= bytes_.size()) {
            short_ = true;
            return std::nullopt;
        }
        return bytes_.at(offset_++);
    }

    std::optional<QByteArray> Counted()
    {
        const std::optional<char> high = Byte();
        const std::optional<char> low = Byte();
        if (!high || !low)
            return std::nullopt;
        const qsizetype length = (qsizetype(std::uint8_t(*high)) << 8) | std::uint8_t(*low);
        if (bytes_.size() - offset_ < length) {
            // More may come only when it can still fit in a request.
            short_ = offset_ + length <= kMaxRequestBytes;
            return std::nullopt;
        }
        QByteArray text = bytes_.mid(offset_, length);
        offset_ += length;
        return text;
    }

private:
    const QByteArray &bytes_;
    qsizetype offset_ = 0;
    bool short_ = false;
};

} // namespace

InstanceRequest RequestOfThisStart(const QByteArray &waylandToken, const QByteArray &startupId,
                                   const std::vector<std::string> &parameters)
{
    InstanceRequest request;
    const bool wayland = !waylandToken.isEmpty();
    const QByteArray &token = wayland ? waylandToken : startupId;
    if (!token.isEmpty() && token.size() <= kMaxTokenBytes && IsPlainToken(token)) {
        request.tokenKind = wayland ? InstanceRequest::TokenKind::Wayland : InstanceRequest::TokenKind::X11;
        request.token = token;
    }
    if (parameters.size() == kPathCount) {
        request.paths = parameters;
        if (EncodeRequest(request).size() > kMaxRequestBytes)
            request.paths.clear();
    }
    return request;
}

QByteArray EncodeRequest(const InstanceRequest &request)
{
    QByteArray bytes(1, kRequestVersion);
    bytes.append(char(request.tokenKind));
    AppendLength(bytes, request.token.size());
    bytes.append(request.token);
    bytes.append(char(request.paths.size()));
    for (const std::string &path : request.paths) {
        AppendLength(bytes, qsizetype(path.size()));
        bytes.append(path.data(), qsizetype(path.size()));
    }
    return bytes;
}

DecodedRequest DecodeRequest(const QByteArray &bytes)
{
    using State = DecodedRequest::State;
    using Kind = InstanceRequest::TokenKind;
    if (bytes.size() > kMaxRequestBytes)
        return {State::Malformed, {}};
    Reader reader(bytes);
    DecodedRequest decoded;
    const auto incompleteOrMalformed = [&reader] {
        return DecodedRequest{reader.Short() ? State::Incomplete : State::Malformed, {}};
    };

    const std::optional<char> version = reader.Byte();
    if (!version)
        return incompleteOrMalformed();
    if (*version != kRequestVersion)
        return {State::Malformed, {}};

    const std::optional<char> kind = reader.Byte();
    if (!kind)
        return incompleteOrMalformed();
    if (*kind != char(Kind::None) && *kind != char(Kind::Wayland) && *kind != char(Kind::X11))
        return {State::Malformed, {}};
    decoded.request.tokenKind = Kind(*kind);

    const std::optional<QByteArray> token = reader.Counted();
    if (!token)
        return incompleteOrMalformed();
    const bool tokenFitsKind = decoded.request.tokenKind == Kind::None ? token->isEmpty() : !token->isEmpty();
    if (!tokenFitsKind || token->size() > kMaxTokenBytes || !IsPlainToken(*token))
        return {State::Malformed, {}};
    decoded.request.token = *token;

    const std::optional<char> count = reader.Byte();
    if (!count)
        return incompleteOrMalformed();
    if (*count != 0 && std::size_t(*count) != kPathCount)
        return {State::Malformed, {}};
    for (char i = 0; i < *count; ++i) {
        const std::optional<QByteArray> path = reader.Counted();
        if (!path)
            return incompleteOrMalformed();
        // A parameter of a command line never holds a NUL, nor is it empty.
        if (path->isEmpty() || path->contains('\0'))
            return {State::Malformed, {}};
        decoded.request.paths.push_back(path->toStdString());
    }
    if (!reader.AtEnd())
        return {State::Malformed, {}};
    decoded.state = State::Complete;
    return decoded;
}

} // namespace mvx
