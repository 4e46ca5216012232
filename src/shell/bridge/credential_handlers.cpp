#include "shell/bridge/credential_handlers.h"

#include "bridge/handler_registry.h"
#include "credentials/key_file_operations.h"
#include "ops/credential_logins.h"
#include "service/error_text.h"
#include "shell/app/shell_context.h"
#include "shell/bridge/message_handlers.h"
#include "shell/bridge/web_base_dlg.h"

#include <QFileDialog>
#include <QStringList>

namespace zym::shell {
namespace {

// The language file keeps the filter in the "description|pattern|...||" form; Qt wants
// "description (pattern);;...".
QString QtFilter(const QString& text)
{
    const QStringList parts = text.split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            continue;
        const QString pattern = QString(parts[i + 1]).replace(';', ' ');
        filters << (parts[i].contains('(') ? parts[i] : parts[i] + " (" + pattern + ")");
    }
    return filters.isEmpty() ? QStringLiteral("*.key") : filters.join(";;");
}

std::string FileErrorReply(const ShellContext& context)
{
    return ReplyText(kErrorFile, AppErrorText(context.language, kErrorFile));
}

void SaveAuthorization(ShellContext& context, QWidget* parent, PageCall& call)
{
    QFileDialog dialog(parent, QString(), QStringLiteral("zym.key"), QtFilter(context.PromptText("ZymFile")));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("key"));
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        DeliverReply(call.reply, FileErrorReply(context));
        return;
    }
    const std::string path = dialog.selectedFiles().front().toStdString();
    DeliverReply(call.reply, zym::SaveAuthorization(call.args.text, path, context.language, context.log));
}

void LoginByFile(ShellContext& context, QWidget* parent, PageCall& call)
{
    QFileDialog dialog(parent, QString(), QString(), QtFilter(context.PromptText("ZymFile")));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(QStringLiteral("key"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        DeliverReply(call.reply, FileErrorReply(context));
        return;
    }
    context.operationPool.Post(std::make_unique<CLoginByFileTask>(
        context.logins, context.language, context.log, std::move(call.args.text),
        dialog.selectedFiles().front().toStdString(), std::move(call.reply)));
}

} // namespace

void RegisterKeyFileFunctions(HandlerRegistry& registry)
{
    registry.AddAsync("saveAuthorization", [](PageCall& call) {
        CWebBaseDlg& window = HostOf(call.host);
        SaveAuthorization(window.Context(), &window, call);
    });
    registry.AddAsync("loginByFile", [](PageCall& call) {
        CWebBaseDlg& window = HostOf(call.host);
        LoginByFile(window.Context(), &window, call);
    });
}

} // namespace zym::shell
