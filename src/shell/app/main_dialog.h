#pragma once
// The hidden main window: it owns the run's windows and services, accepts the messages of
// sibling programs (activate, reset compared version, restart, log off) and performs the
// shutdown in its fixed order. It never becomes visible.
#include <QObject>
#include <QPointer>
#include <QString>

namespace zym::shell {

struct ShellContext;
class PageBridge;
class CWebLogin;
class CLaunchpad;

class MainDialog : public QObject
{
    Q_OBJECT
public:
    MainDialog(ShellContext& context, PageBridge& bridge);
    ~MainDialog() override;

    static constexpr const char* kTitle = "ZYM客户端";

    // Shows the login window's frame, without its page, and returns once it is painted.
    void ShowLoginFrame();
    // The initialisation that follows start-up: log, config.json, the login window's page; the
    // launchpad once that page has loaded.
    void Init();

    CWebLogin* LoginWindow() const { return login_; }
    CLaunchpad* Launchpad() const { return launchpad_; }
    // Shows the launchpad (loading its page the first time) and hides the login window.
    void ShowLaunchpad();
    // Runs zymClientCallback(event, text) in the launchpad's page.
    void CallLaunchpad(const QString& event, const QString& text);

    // The common shutdown sequence, then the end of the run.
    void ShutdownAndEnd();
    bool ShutDown() const { return shutDown_; }

protected:
    bool event(QEvent* event) override;

private:
    void Activate();
    void MakeLaunchpad();
    void Shutdown();
    void StartSibling();

    ShellContext& context_;
    PageBridge& bridge_;
    QPointer<CWebLogin> login_;
    QPointer<CLaunchpad> launchpad_;
    bool shutDown_ = false;
};

} // namespace zym::shell
