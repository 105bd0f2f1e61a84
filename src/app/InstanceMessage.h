// What a later start hands the running instance over the single-instance
// socket, and the byte form it travels in: a version byte, then the
// activation token of the later start, then its two paths, if it had two.
#pragma once

#include <QByteArray>

#include <string>
#include <vector>

namespace mvx {

struct InstanceRequest {
    // Who handed out the token: the desktop's launcher on Wayland or on X11.
    enum class TokenKind : char { None = 0, Wayland = 'W', X11 = 'X' };

    TokenKind tokenKind = TokenKind::None;
    QByteArray token;
    // Empty, or the two paths of the later start as the exact bytes they are.
    std::vector<std::string> paths;

    friend bool operator==(const InstanceRequest &, const InstanceRequest &) = default;
};

// Nothing a start needs to hand on comes near this; anything larger is not ours.
constexpr qsizetype kMaxRequestBytes = qsizetype(16) * 1024;
constexpr qsizetype kMaxTokenBytes = 1024;

// The request of this start, from the environment that the desktop started it
// with (read before the application object takes the startup id away) and
// its parameters. A token or paths too long to travel are left out.
InstanceRequest RequestOfThisStart(const QByteArray &waylandToken, const QByteArray &startupId,
                                   const std::vector<std::string> &parameters);

QByteArray EncodeRequest(const InstanceRequest &request);

struct DecodedRequest {
    enum class State { Incomplete, Complete, Malformed };
    State state = State::Incomplete;
    InstanceRequest request;
};

// Reads what has arrived so far: Incomplete while more bytes may finish it,
// Malformed for anything that no start of this version sends.
DecodedRequest DecodeRequest(const QByteArray &bytes);

} // namespace mvx
