#include "shell/desktop/desktop_functions.h"

#include "bridge/desktop_answers.h"
#include "bridge/handler_registry.h"
#include "shell/app/shell_context.h"
#include "shell/bridge/message_handlers.h"
#include "shell/bridge/web_base_dlg.h"
#include "shell/desktop/clipboard_functions.h"
#include "shell/desktop/dialog_functions.h"
#include "shell/desktop/open_functions.h"

namespace zym::shell {
namespace {

std::string GetDragFiles(const DragFileList& list)
{
    std::vector<std::string> paths;
    for (const QString& file : list.Get())
        paths.push_back(file.toStdString());
    return FileListAnswer(paths);
}

} // namespace

void RegisterDesktopFunctions(HandlerRegistry& registry, ShellContext& context, DesktopOpener& opener)
{
    registry.AddDirect("setClipboardData", [](const ReadArguments& a) {
        SetClipboardData(a.text);
        return std::string();
    });
    registry.AddDirect("getClipboardData", [](const ReadArguments&) { return GetClipboardData(); });
    registry.AddDirect("getDragFiles",
                       [&context](const ReadArguments&) { return GetDragFiles(context.dragFiles); });
    registry.AddAsync("selectFileDlg", [&context](PageCall& call) {
        RunSelectFileDlg(context, &HostOf(call.host), call.reply);
    });
    registry.AddAsync("saveFileDlg", [&context](PageCall& call) {
        RunSaveFileDlg(context, &HostOf(call.host), call.reply);
    });
    registry.AddDirect("openUrl", [&opener, &context](const ReadArguments& a) {
        OpenUrl(a.text, opener, context.log);
        return std::string();
    });
    registry.AddDirect("openLogFolder", [&opener, &context](const ReadArguments&) {
        OpenLogFolder(context.folders.dataFolder, opener);
        return std::string();
    });
}

} // namespace zym::shell
