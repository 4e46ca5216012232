#include "shell/app/single_instance.h"

#include "app/log.h"
#include "bridge/window_messages.h"
#include "platform/folders.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

namespace zym::shell {

SingleInstance::SingleInstance(const QString& dataFolder, Log& log) : log_(log)
{
    const QByteArray digest =
        QCryptographicHash::hash(QDir::cleanPath(dataFolder).toUtf8(), QCryptographicHash::Sha1).toHex();
    const QString name = QStringLiteral("ZYMClientProMute-%1").arg(QString::fromLatin1(digest.left(16)));
    std::string why;
    const std::string folder = RuntimeFolder(why);
    if (!why.empty())
        log_.WriteLog("[instance][" + why + "]", false);
    if (!folder.empty()) {
        serverName_ = QDir(QString::fromStdString(folder)).filePath(name);
        lockPath_ = serverName_ + ".lock";
    }
}

SingleInstance::Start SingleInstance::Acquire(std::function<void(int)> onMessage)
{
    if (lockPath_.isEmpty()) {
        // No private folder: a lock anywhere else could be planted by another user.
        log_.WriteLog("[instance][no private folder for the lock; starting without one]", false);
        return Start::First;
    }
    lock_ = std::make_unique<QLockFile>(lockPath_);
    // Never stale by age; a lock whose process has gone (a crashed run) is taken over.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        const QLockFile::LockError error = lock_->error();
        lock_.reset();
        // Held by a running instance: it takes the activate message and this start ends.
        if (error == QLockFile::LockFailedError && SendToFirst(kMsgActivate))
            return Start::Handed;
        // A lock nobody answers for (left by a crash and not ours to take over, or not readable)
        // is no running instance: this start goes on without it, and says so.
        log_.WriteLog(
            "[instance][" + lockPath_.toStdString() + "][" +
                (error == QLockFile::LockFailedError ? "held, but no instance answers" : "cannot be taken") +
                "; starting without the lock]",
            false);
        return Start::First;
    }
    onMessage_ = std::move(onMessage);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(serverName_); // a socket file left by a crashed run
    if (!server_->listen(serverName_)) {
        // Later starts cannot reach this one and will start on their own.
        log_.WriteLog("[instance][" + serverName_.toStdString() +
                          "][listen failed: " + server_->errorString().toStdString() + "]",
                      false);
    }
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadClient(socket); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return Start::First;
}

void SingleInstance::ReadClient(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        bool ok = false;
        const int message = socket->readLine().trimmed().toInt(&ok);
        if (!ok)
            continue;
        if (message == kMsgActivate || message == kMsgResetVersion || message == kMsgRestart ||
            message == kMsgLogOff) {
            if (onMessage_)
                onMessage_(message);
        }
    }
}

bool SingleInstance::SendToFirst(int message) const
{
    if (serverName_.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(2000))
        return false;
    socket.write(QByteArray::number(message) + '\n');
    const bool sent = socket.waitForBytesWritten(2000);
    socket.disconnectFromServer();
    return sent;
}

void SingleInstance::Release()
{
    server_.reset();
    if (lock_)
        lock_->unlock();
    lock_.reset();
}

} // namespace zym::shell
