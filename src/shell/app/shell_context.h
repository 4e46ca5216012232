#pragma once
// What the windows, the page bridge and the message handlers share for one run. It is made
// by the application at start-up and handed to each part that needs it.
#include "app/app_folders.h"
#include "app/language_document.h"
#include "app/log.h"
#include "app/page_session.h"
#include "app/settings_store.h"
#include "bridge/handler_registry.h"
#include "bridge/pending_call.h"
#include "bridge/program_engine.h"
#include "ops/login_targets.h"
#include "platform/task_pool.h"
#include "store/user_database.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <atomic>
#include <mutex>
#include <string>

namespace zym::shell {

class MainDialog;

// File names dropped on a view most recently (written by the views, read by page calls).
class DragFileList
{
public:
    void Replace(QStringList files)
    {
        std::lock_guard g(lock_);
        files_ = std::move(files);
    }
    QStringList Get() const
    {
        std::lock_guard g(lock_);
        return files_;
    }

private:
    mutable std::mutex lock_;
    QStringList files_;
};

struct ShellContext
{
    ShellContext(const AppFolders& folders, std::string versionText, LoginTargets& logins, PageSession& page,
                 CTaskPool& operationPool, Log& log, SettingsStore& settings, LanguageDocument& language,
                 CUserDatabase& userDatabase)
        : folders(folders), versionText(std::move(versionText)), logins(logins), session(logins.session),
          conditions(logins.conditions), page(page), operationPool(operationPool), log(log),
          settings(settings), language(language), userDatabase(userDatabase)
    {}

    const AppFolders& folders;
    const std::string versionText;
    LoginTargets& logins;        // what the key-file log-in writes
    Session& session;            // the logged-in account
    StartConditions& conditions; // what the transfer engine waits for
    PageSession& page;           // language, default disposition, the UI config text
    CTaskPool& operationPool;    // page-operation tasks
    std::atomic<bool> shuttingDown{false};
    Log& log;
    SettingsStore& settings;
    LanguageDocument& language;
    CUserDatabase& userDatabase; // zymuser.db: saved log-in, sub-keys and tokens
    PendingCallList pendingCalls;
    HandlerRegistry handlers; // every page function, filled at start-up
    DragFileList dragFiles;
    MainDialog* mainDialog = nullptr;
    ProgramEngine* transfers = nullptr; // the transfer engine and its worker thread
    // The living "sole" and "single" windows, each registered from its initialisation until it
    // is cancelled; empty when there is none.
    QPointer<QObject> soleWindow;
    QPointer<QObject> singleWindow;
    QString bridgeKey; // the private prompt message of the page bridge, new for every run
    QString uiFolder;  // folder whose pages get ZYMClient, without a trailing slash

    // Native texts of the prompt dialog family.
    QString PromptText(const char* name) const
    {
        return QString::fromStdString(language.String("prompt", name));
    }
};

} // namespace zym::shell
