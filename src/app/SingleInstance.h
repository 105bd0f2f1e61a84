// Makes sure one instance runs per user: the first start listens on a local
// socket, later starts hand it what they were started with and end.
#pragma once

#include "app/InstanceMessage.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

namespace mvx {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // key names the per-user lock and socket; tests pass their own.
    explicit SingleInstance(const QString &key = DefaultKey(), QObject *parent = nullptr);

    // True when this is the first instance, which then listens for later
    // starts, or when no lock of this user's own can be had (none can be
    // made, or another user's stands in the way); false when the running
    // instance took the request, or holds the lock and did not answer in time
    // (then Unanswered() is true).
    bool Claim(const InstanceRequest &request = {});
    [[nodiscard]] bool Unanswered() const { return unanswered_; }

    static QString DefaultKey();

signals:
    // A later start of this user asked this instance to come forward.
    void RequestReceived(const mvx::InstanceRequest &request);

private:
    enum class Asked { Taken, NoAnswer, NotOurs };

    Asked AskRunningInstance(const InstanceRequest &request, const QDeadlineTimer &deadline) const;
    void Listen();
    void Answer(QLocalSocket *socket);

    QString socketName_;
    QLockFile lock_;
    QLocalServer server_;
    bool unanswered_ = false;
};

} // namespace mvx
