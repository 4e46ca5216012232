#include "shell/app/single_instance.h"

#include "bridge/window_messages.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>

namespace zym::shell {

SingleInstance::SingleInstance(const QString& dataFolder)
{
    const QByteArray digest =
        QCryptographicHash::hash(QDir::cleanPath(dataFolder).toUtf8(), QCryptographicHash::Sha1).toHex();
    serverName_ = QStringLiteral("ZYMClientProMute-%1").arg(QString::fromLatin1(digest.left(16)));
}

bool SingleInstance::Acquire(std::function<void(int)> onMessage)
{
    lock_ = std::make_unique<QLockFile>(QDir::temp().filePath(serverName_ + ".lock"));
    // Never stale by age; a lock whose process has gone (a crashed run) is taken over.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        lock_.reset();
        return false;
    }
    onMessage_ = std::move(onMessage);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(serverName_); // a socket file left by a crashed run
    server_->listen(serverName_);
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadClient(socket); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
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
