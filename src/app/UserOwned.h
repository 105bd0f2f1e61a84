// What makes a file or a peer of the single-instance channel this user's own:
// a start defers only to an instance of its own user, and an instance takes
// requests only from starts of its own user.
#pragma once

#include <QString>
#include <QtGlobal>

namespace mvx {

// A part for names that every user of the machine may share a folder for.
QString UserTag();

enum class EntryKind { File, Socket };

// The entry itself (not where a symbolic link leads) is of that kind, belongs
// to this user and cannot be written by anybody else.
bool IsPrivateToUser(const QString &path, EntryKind kind);

// The process at the other end of a connected local socket runs as this user.
bool PeerIsThisUser(qintptr socketDescriptor);

} // namespace mvx
