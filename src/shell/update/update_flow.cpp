#include "shell/update/update_flow.h"

#include "platform/machine_id.h"
#include "shell/app/main_dialog.h"
#include "shell/app/shell_context.h"
#include "shell/bridge/web_dialogs.h"
#include "shell/update/desktop_opener.h"
#include "shell/update/update_dialog.h"
#include "update/update_request.h"

#include <QMessageBox>
#include <QMetaObject>

namespace zym::shell {

void UpdateFlow::Start()
{
    const std::string base = context_.settings.UpdateBase();
    const std::string source = UpdateSource(context_.page.configSource);
    // Sent from the pool: a slow or absent server never holds up the start.
    context_.operationPool.Post(
        std::make_unique<CSendReport>(base, MachineId(), source, context_.versionText));
    context_.operationPool.Post(std::make_unique<CCheckUpdate>(
        UpdateConfig{base, source, context_.versionText, context_.folders.tempFolder}, state_, *this));
}

void UpdateFlow::OfferUpdate(const VersionOffer& offer)
{
    QMetaObject::invokeMethod(
        this, [this, offer] { Ask(offer); }, Qt::QueuedConnection);
}

void UpdateFlow::Ask(const VersionOffer& offer)
{
    if (state_.dialogOpen || context_.shuttingDown)
        return;
    const QString text = QString::fromStdString(context_.language.String("prompt", "UpdateMessage"))
                             .replace(QStringLiteral("%s"), QString::fromStdString(offer.version));
    if (QMessageBox::question(nullptr, context_.PromptText("Update"), text,
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    CUpdateDlg dialog(context_.language, context_.operationPool, state_, offer,
                      QString::fromStdString(context_.versionText), context_.folders.tempFolder);
    if (dialog.exec() == QDialog::Accepted && !dialog.PackagePath().isEmpty())
        OpenInstaller(dialog.PackagePath());
}

void UpdateFlow::OpenInstaller(const QString& path)
{
    if (!OpenWithDesktop(path))
        return;
    if (context_.mainDialog)
        context_.mainDialog->ShutdownAndEnd();
}

} // namespace zym::shell
