#pragma once
// One running program per user: the first start holds a lock file and listens on a local
// socket; a later start finds the lock taken, sends the first one the activate message and
// ends. Sibling programs use the same channel for the restart and log-off messages.
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace zym::shell {

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // Per-user name (derived from the data folder, so each user and each test HOME has its own).
    explicit SingleInstance(const QString& dataFolder);

    // True when this process is the first instance; it then listens for messages, which
    // reach `onMessage` on the main thread (only the four numbers of the main window).
    bool Acquire(std::function<void(int)> onMessage);
    // From a later instance: sends the message number to the first one. False when no
    // first instance answers (it is still starting or already ending).
    bool SendToFirst(int message) const;
    // Stops listening and releases the lock.
    void Release();

    const QString& ServerName() const { return serverName_; }

private:
    void ReadClient(class QLocalSocket* socket);

    QString serverName_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void(int)> onMessage_;
};

} // namespace zym::shell
