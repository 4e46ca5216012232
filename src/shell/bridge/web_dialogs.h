#pragma once
// The kinds of web window: what each registers, how it is sized and what closing it means.
#include "shell/bridge/web_base_dlg.h"

namespace zym::shell {

// Any number; closing frees it.
class CWebDlg : public CWebBaseDlg
{
    Q_OBJECT
public:
    CWebDlg(ShellContext& context, PageBridge& bridge, const QString& address, bool resizable, int width,
            int height);
};

// At most one each (the slots are independent); a second request re-targets the living one.
class CSoleWebDlg : public CWebBaseDlg
{
    Q_OBJECT
public:
    CSoleWebDlg(ShellContext& context, PageBridge& bridge, const QString& address, bool resizable, int width,
                int height);

protected:
    void BeforeInit() override;
    void OnCancel(QCloseEvent* event) override;
};

class CSingleWebDlg : public CWebBaseDlg
{
    Q_OBJECT
public:
    CSingleWebDlg(ShellContext& context, PageBridge& bridge, const QString& address, bool resizable,
                  int width, int height);

protected:
    void BeforeInit() override;
    void OnCancel(QCloseEvent* event) override;
};

// Modal: RunModal blocks input to every other window until the window is closed, then closes
// the view and frees the window.
class CChildWebDlg : public CWebBaseDlg
{
    Q_OBJECT
public:
    CChildWebDlg(ShellContext& context, PageBridge& bridge, const QString& address, bool resizable, int width,
                 int height);
    static void RunModal(ShellContext& context, PageBridge& bridge, const QString& address, bool resizable,
                         int width, int height);

signals:
    void finished();

protected:
    void OnCancel(QCloseEvent* event) override;
};

// The first window. Closing it (closeWnd) only hides it; its one caption button asks whether to
// log out.
class CWebLogin : public CWebBaseDlg
{
    Q_OBJECT
public:
    CWebLogin(ShellContext& context, PageBridge& bridge);

signals:
    // The frame's first paint has been flushed to the screen.
    void framePainted();

protected:
    void BeforeInit() override;
    void InitFrameForKind() override;
    void OnCancel(QCloseEvent* event) override;
    void ViewMade() override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool framePainted_ = false;
};

// The main window after login: created hidden, its page loaded the first time it is shown.
class CLaunchpad : public CWebBaseDlg
{
    Q_OBJECT
public:
    CLaunchpad(ShellContext& context, PageBridge& bridge);
    // Loads the page the first time, sizes and centres a hidden window, and shows it in front.
    void ShowLaunchpad();

protected:
    void BeforeInit() override;
    void OnCancel(QCloseEvent* event) override;
};

// The log-out question of the login window and the launchpad; Yes shuts the program down.
void AskLogOut(ShellContext& context);

} // namespace zym::shell
