#include "shell/desktop/dialog_functions.h"

#include "bridge/desktop_answers.h"
#include "shell/app/shell_context.h"
#include "shell/desktop/select_files_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QPointer>

namespace zym::shell {

void RunSelectFileDlg(ShellContext& context, QWidget* parent, const ReplyTargetPtr& reply)
{
    const QString start = QString::fromStdString(context.settings.UploadPath());
    QPointer<CSelectFilesDialog> dialog =
        new CSelectFilesDialog(start, QString::fromStdString(context.language.String("selectdlg", "window")),
                               QString::fromStdString(context.language.String("selectdlg", "ok")), parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    const int result = dialog->exec();
    if (!dialog)
        return; // the window that owned it went away meanwhile
    std::string answer(kNothingAnswer);
    if (result == QDialog::Accepted) {
        std::vector<std::string> paths;
        for (const QString& path : dialog->Chosen())
            paths.push_back(path.toStdString());
        // A path too long for the setting is still answered; the setting keeps its old value.
        if (!paths.empty())
            context.settings.WriteText(setting::kUploadPath, FolderOfPath(paths.front()));
        answer = FileListAnswer(paths);
    }
    delete dialog.data();
    DeliverReply(reply, answer);
}

void RunSaveFileDlg(ShellContext& context, QWidget* parent, const ReplyTargetPtr& reply)
{
    QPointer<QFileDialog> dialog =
        new QFileDialog(parent, QString::fromStdString(context.language.String("prompt", "selectpath")),
                        QString::fromStdString(context.settings.SavePath()));
    dialog->setObjectName(QStringLiteral("saveFolderDialog"));
    // The widget dialog is the same on every desktop and can be driven by tests.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setFileMode(QFileDialog::Directory);
    const int result = dialog->exec();
    if (!dialog)
        return;
    std::string folder;
    if (result == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) {
        folder = FolderWithSlash(QDir::cleanPath(dialog->selectedFiles().front()).toStdString());
        context.settings.WriteText(setting::kSavePath, folder);
    }
    delete dialog.data();
    DeliverReply(reply, FolderAnswer(folder));
}

} // namespace zym::shell
