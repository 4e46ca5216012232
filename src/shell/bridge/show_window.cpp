#include "shell/bridge/show_window.h"

#include "bridge/web_window_rules.h"
#include "shell/app/shell_context.h"
#include "shell/bridge/web_dialogs.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace zym::shell {

namespace {

// The modal loop runs from its own queued call, so the window whose message asked for it has
// finished handling that message and may itself be closed while the child is open.
void RunChildLater(ShellContext& context, PageBridge& bridge, const QString& address, bool resizable,
                   int width, int height)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&context, &bridge, address, resizable, width, height] {
            if (!context.shuttingDown)
                CChildWebDlg::RunModal(context, bridge, address, resizable, width, height);
        },
        Qt::QueuedConnection);
}

template <typename Window>
void OpenModeless(const QString& address, bool resizable, int width, int height, ShellContext& context,
                  PageBridge& bridge)
{
    auto* window = new Window(context, bridge, address, resizable, width, height);
    window->InitDialog();
    window->ShowInFront();
}

} // namespace

void ShowWnd(ShellContext& context, PageBridge& bridge, const std::string& argument)
{
    const auto request = ParseShowWnd(argument);
    if (!request)
        return;
    const QString address = QString::fromStdString(request->url);
    QPointer<QObject>* slot = nullptr;
    if (request->type == WebWindowType::Sole)
        slot = &context.soleWindow;
    else if (request->type == WebWindowType::Single)
        slot = &context.singleWindow;
    auto* living = slot ? qobject_cast<CWebBaseDlg*>(slot->data()) : nullptr;

    switch (OpenActionFor(request->type, living != nullptr)) {
    case OpenAction::Nothing:
        return;
    case OpenAction::Retarget:
        living->Retarget(address, request->resizable, request->width, request->height);
        return;
    case OpenAction::RunModal:
        RunChildLater(context, bridge, address, request->resizable, request->width, request->height);
        return;
    case OpenAction::Create:
        break;
    }
    switch (request->type) {
    case WebWindowType::Sole:
        OpenModeless<CSoleWebDlg>(address, request->resizable, request->width, request->height, context,
                                  bridge);
        break;
    case WebWindowType::Single:
        OpenModeless<CSingleWebDlg>(address, request->resizable, request->width, request->height, context,
                                    bridge);
        break;
    default:
        OpenModeless<CWebDlg>(address, request->resizable, request->width, request->height, context, bridge);
        break;
    }
}

void ShowAuthorizationDlg(ShellContext& context, PageBridge& bridge)
{
    const std::string page = context.language.Html("authorization", "path");
    const LanguageRect rect = context.language.Rect("authorization", "window");
    // Without a rectangle in the language file the page still gets a usable size.
    const bool hasRect = rect.right > rect.left && rect.bottom > rect.top;
    const int width = hasRect ? rect.right - rect.left : 600;
    const int height = hasRect ? rect.bottom - rect.top : 400;
    const QString address = QString::fromStdString(
        PageAddress(context.uiFolder.toStdString(), page.empty() ? "authorization.html" : page));
    RunChildLater(context, bridge, address, false, width, height);
}

} // namespace zym::shell
