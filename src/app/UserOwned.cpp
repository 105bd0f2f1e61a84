#include "app/UserOwned.h"

#include <QFile>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mvx {

QString UserTag()
{
    return QString::number(::geteuid());
}

bool IsPrivateToUser(const QString &path, EntryKind kind)
{
    struct stat entry {};
    if (::lstat(QFile::encodeName(path).constData(), &entry) != 0)
        return false;
    const bool rightKind = kind == EntryKind::File ? S_ISREG(entry.st_mode) : S_ISSOCK(entry.st_mode);
    return rightKind && entry.st_uid == ::geteuid() && (entry.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool PeerIsThisUser(qintptr socketDescriptor)
{
    struct ucred peer {};
    socklen_t length = sizeof peer;
    if (::getsockopt(int(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0)
        return false;
    return length == sizeof peer && peer.uid == ::geteuid();
}

} // namespace mvx
