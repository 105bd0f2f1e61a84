#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace mvx {

namespace {

constexpr char kProtocolVersion = 1;
constexpr char kComeForward = 'A';
constexpr char kAcknowledged = 'K';
// Long enough for a first instance that started a moment earlier to be
// listening, short enough that a stuck one does not keep the user waiting.
constexpr int kClaimDeadlineMs = 5000;
constexpr int kRetryPauseMs = 25;
constexpr int kConnectTimeoutMs = 500;
constexpr int kAnswerTimeoutMs = 2000;

} // namespace

QString SingleInstance::DefaultKey()
{
    // The runtime folder belongs to the user alone, so the name is per user.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/morvatix-instance");
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

bool SingleInstance::Claim()
{
    const QDeadlineTimer deadline(kClaimDeadlineMs);
    for (;;) {
        if (lock_.tryLock(0)) {
            Listen();
            return true;
        }
        // Only a live first instance may stop a start. When the lock cannot
        // be made at all (a runtime folder that cannot be written, say), the
        // mechanism has failed, and the program starts as if alone.
        if (lock_.error() != QLockFile::LockFailedError || !QFileInfo(lock_.fileName()).isFile())
            return true;
        if (AskRunningInstance())
            return false;
        // The lock's holder is alive (a stale lock would have been taken)
        // but does not answer: it is the running instance, busy or stuck,
        // and a second window would break the one-instance promise.
        if (deadline.hasExpired())
            return false;
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

bool SingleInstance::AskRunningInstance() const
{
    QLocalSocket socket;
    socket.connectToServer(socketName_);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    const char request[] = {kProtocolVersion, kComeForward};
    socket.write(request, sizeof request);
    if (!socket.waitForBytesWritten(kAnswerTimeoutMs) || !socket.waitForReadyRead(kAnswerTimeoutMs))
        return false;
    return socket.read(1) == QByteArray(1, kAcknowledged);
}

void SingleInstance::Answer(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (socket->bytesAvailable() < 2)
            return;
        const QByteArray request = socket->read(2);
        if (request.at(0) != kProtocolVersion || request.at(1) != kComeForward) {
            socket->disconnectFromServer();
            return;
        }
        socket->write(QByteArray(1, kAcknowledged));
        socket->flush();
        emit ActivationRequested();
    });
}

} // namespace mvx
