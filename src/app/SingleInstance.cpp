#include "app/SingleInstance.h"

#include "app/UserOwned.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace mvx {

namespace {

constexpr char kAcknowledged = 'K';
// Long enough for a first instance that started a moment earlier to be
// listening and answering, short enough that a stuck one does not keep the
// user waiting.
constexpr int kClaimDeadlineMs = 5000;
constexpr int kRetryPauseMs = 25;
constexpr int kConnectTimeoutMs = 500;
// How long the running instance gives a later start to send its request.
constexpr int kAnswerTimeoutMs = 2000;

// What is left of the deadline, for one wait of a socket.
int Remaining(const QDeadlineTimer &deadline)
{
    return static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0));
}

} // namespace

QString SingleInstance::DefaultKey()
{
    // The runtime folder belongs to the user alone; without one the names
    // land in the shared temporary folder, so they carry the user as well.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/morvatix-instance-") + UserTag();
}

SingleInstance::SingleInstance(const QString &key, QObject *parent)
    : QObject(parent), socketName_(key), lock_(key + QStringLiteral(".lock"))
{
    // The first instance may run for days; its lock is stale only when its
    // process is gone.
    lock_.setStaleLockTime(0);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = server_.nextPendingConnection())
            Answer(socket);
    });
}

bool SingleInstance::Claim(const InstanceRequest &request)
{
    const QDeadlineTimer deadline(kClaimDeadlineMs);
    for (;;) {
        if (lock_.tryLock(0)) {
            // Whatever the umask, nobody else may make the lock look like ours.
            QFile::setPermissions(lock_.fileName(), QFile::ReadOwner | QFile::WriteOwner);
            Listen();
            return true;
        }
        // Only a live first instance of this user may stop a start. When the
        // lock cannot be made at all (a runtime folder that cannot be
        // written, say), or what holds its name is not the user's own, the
        // mechanism has failed, and the program starts as if alone.
        if (lock_.error() != QLockFile::LockFailedError ||
            !IsPrivateToUser(lock_.fileName(), EntryKind::File))
            return true;
        switch (AskRunningInstance(request, deadline)) {
        case Asked::Taken:
            return false;
        case Asked::NotOurs:
            return true;
        case Asked::NoAnswer:
            break;
        }
        // The lock's holder is alive (a stale lock would have been taken)
        // but does not answer: it is the running instance, busy or stuck,
        // or just starting to listen, and a second window would break the
        // one-instance promise.
        if (deadline.hasExpired()) {
            unanswered_ = true;
            return false;
        }
        QThread::msleep(kRetryPauseMs);
    }
}

void SingleInstance::Listen()
{
    // A socket left behind by an instance that crashed is ours to remove:
    // we hold the lock, so nobody else is listening on it.
    QLocalServer::removeServer(socketName_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(socketName_);
}

SingleInstance::Asked SingleInstance::AskRunningInstance(const InstanceRequest &request,
                                                         const QDeadlineTimer &deadline) const
{
    // Not there yet: the first instance may be about to listen.
    if (!QFileInfo(socketName_).exists() && !QFileInfo(socketName_).isSymLink())
        return Asked::NoAnswer;
    if (!IsPrivateToUser(socketName_, EntryKind::Socket))
        return Asked::NotOurs;
    QLocalSocket socket;
    socket.connectToServer(socketName_);
    if (!socket.waitForConnected(std::min(kConnectTimeoutMs, Remaining(deadline))))
        return Asked::NoAnswer;
    if (!PeerIsThisUser(socket.socketDescriptor()))
        return Asked::NotOurs;
    // One request, answered within what is left of the deadline: an instance
    // that is slow to answer (still making its window, or busy) is not sent
    // the same request again and again.
    socket.write(EncodeRequest(request));
    if (!socket.waitForBytesWritten(Remaining(deadline)) || !socket.waitForReadyRead(Remaining(deadline)))
        return Asked::NoAnswer;
    return socket.read(1) == QByteArray(1, kAcknowledged) ? Asked::Taken : Asked::NoAnswer;
}

void SingleInstance::Answer(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (!PeerIsThisUser(socket->socketDescriptor())) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    // A start that sends half a request and then nothing is let go.
    QTimer::singleShot(kAnswerTimeoutMs, socket, [socket] { socket->abort(); });
    auto received = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, received] {
        received->append(socket->read(kMaxRequestBytes + 1 - received->size()));
        const DecodedRequest decoded = DecodeRequest(*received);
        switch (decoded.state) {
        case DecodedRequest::State::Incomplete:
            return;
        case DecodedRequest::State::Malformed:
            socket->abort();
            return;
        case DecodedRequest::State::Complete:
            break;
        }
        disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
        socket->write(QByteArray(1, kAcknowledged));
        socket->flush();
        emit RequestReceived(decoded.request);
    });
}

} // namespace mvx
