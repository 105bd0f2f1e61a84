// Makes sure one instance runs per user: the first start listens on a local
// socket, later starts ask it to come forward and end.
#pragma once

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
    // starts, or when no lock can be made at all; false when a running
    // instance was asked to come forward, or holds the lock and did not
    // answer in time.
    bool Claim();

    static QString DefaultKey();

signals:
    void ActivationRequested();

private:
    bool AskRunningInstance() const;
    void Listen();
    void Answer(QLocalSocket *socket);

    QString socketName_;
    QLockFile lock_;
    QLocalServer server_;
};

} // namespace mvx
