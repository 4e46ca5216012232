#pragma once
// What the windows, the page bridge and the message handlers share for one run. It is made
// by the application at start-up and handed to each part that needs it.
#include "app/language_document.h"
#include "app/log.h"
#include "app/settings_store.h"
#include "bridge/handler_registry.h"
#include "bridge/pending_call.h"
#include "bridge/program_engine.h"
#include "ops/app_environment.h"
#include "store/user_database.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <mutex>

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
    ShellContext(AppEnvironment& env, Log& log, SettingsStore& settings, LanguageDocument& language,
                 CUserDatabase& userDatabase)
        : env(env), log(log), settings(settings), language(language), userDatabase(userDatabase)
    {}

    AppEnvironment& env;
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
