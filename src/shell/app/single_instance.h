#pragma once
// One running program per user: the first start holds a lock file and listens on a local
// socket, both in the user's private runtime folder; a later start finds the lock taken, sends
// the first one the activate message and ends. A lock that no running instance answers for
// does not stop a start: it goes on without the lock and logs why. Sibling programs use the same channel for
// the restart and log-off messages.
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace zym {
class Log;
}

namespace zym::shell {

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // Per-user name (derived from the data folder, so each user and each test HOME has its own).
    SingleInstance(const QString& dataFolder, Log& log);

    enum class Start
    {
        First,  // this process runs; when it holds the lock, messages reach `onMessage`
        Handed, // a running instance took the activate message: this start ends
    };
    // Takes the lock and listens for messages, which reach `onMessage` on the main thread
    // (only the four numbers of the main window).
    Start Acquire(std::function<void(int)> onMessage);
    // From a later instance: sends the message number to the first one. False when no
    // first instance answers (it is still starting or already ending).
    bool SendToFirst(int message) const;
    // Stops listening and releases the lock.
    void Release();

    const QString& ServerName() const { return serverName_; }

private:
    void ReadClient(class QLocalSocket* socket);

    Log& log_;
    QString serverName_; // full socket path; empty without a private folder
    QString lockPath_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void(int)> onMessage_;
};

} // namespace zym::shell
