#pragma once
// The base of every visible window: a self-drawn frame around one browser view that fills the
// client area. It keeps the requested client size (the window never gets smaller), sizes and
// centres itself, receives the numbered messages of the pages it shows, and closes its view
// when it is cancelled. The kinds (bridge/web_dialogs.h) decide what closing means.
#include "bridge/handler_registry.h"
#include "shell/ui/skin_frame.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <QUrl>

namespace zym::shell {

struct ShellContext;
class PageBridge;
class WebPage;
class WebView;

class CWebBaseDlg : public zym::CSkinBaseDlg, public zym::HostWindow
{
    Q_OBJECT
public:
    enum class Kind
    {
        Normal,    // showWnd "normal", pop-ups, developer tools
        Sole,      // showWnd "sole": at most one
        Single,    // showWnd "single": at most one, independent of sole
        Child,     // showWnd "child", the authorization window: modal
        Login,     // the first window
        Launchpad, // the main window after login
    };

    CWebBaseDlg(ShellContext& context, PageBridge& bridge, Kind kind, QString address, bool resizable,
                int width, int height);
    ~CWebBaseDlg() override;

    Kind WindowKind() const { return kind_; }
    WebPage* Page() const { return page_; }
    WebView* View() const { return view_; }
    ShellContext& Context() const { return context_; }
    PageBridge& Bridge() const { return bridge_; }
    QSize RequestedSize() const { return QSize(width_, height_); }
    bool Resizable() const { return resizable_; }

    // Runs once before the window is first shown: frame, icon, size and place (centred), then
    // the view is made and the page address is loaded into it.
    void InitDialog();
    // Frame, icon, size and place as InitDialog makes them, shown without a view: the browser
    // need not exist yet. InitDialog adds the view later.
    void ShowFrame();
    // Shows a window whose initialisation has run, and brings it to the front.
    void ShowInFront();
    // A new address, resizable flag and client size for a living window; its top-left corner stays.
    void Retarget(const QString& address, bool resizable, int width, int height);

    void Load(const QUrl& url);
    bool PageLoaded() const { return pageLoaded_; }
    // Runs script in the main frame of the window's page (nothing once the view is closed).
    void RunScript(const QString& script);
    // Closes the page of the view; the window shows nothing afterwards.
    void CloseView();

    // Requested client size plus frame, cut to the screen's work area.
    QSize OuterSize(int width, int height) const;
    // Moves the window to the centre of the screen's work area at OuterSize of the request.
    void PlaceCentred();

protected:
    // Kind-specific steps that come first in InitDialog (register in a slot, compute an address).
    virtual void BeforeInit() {}
    // The frame this kind draws; the login window has its own.
    virtual void InitFrameForKind();
    // What WM_CLOSE does for this kind; the event is accepted or ignored here.
    virtual void OnCancel(QCloseEvent* event);
    // Runs once the view and its page exist.
    virtual void ViewMade() {}

    void SetAddress(const QString& address) { address_ = address; }
    void SetRequestedSize(int width, int height);
    void SetResizableFlag(bool resizable) { resizable_ = resizable; }
    void ApplyMinimumSize();

    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    ShellContext& context_;
    PageBridge& bridge_;
    Kind kind_;
    QString address_; // loaded by InitDialog, then ""
    bool resizable_;
    int width_;
    int height_;
    WebView* view_ = nullptr;
    WebPage* page_ = nullptr;
    bool pageLoaded_ = false;
    bool framePrepared_ = false;
    QRect restoreGeometry_; // where a window we maximised ourselves goes back to

    void FitWindowState();
    void PrepareFrame();
    void MakeView();
};

} // namespace zym::shell
