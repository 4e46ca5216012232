#pragma once
// A window that hosts one browser view and receives the numbered messages of the pages it
// shows. Kept small: the skinned frame and the full window family build on it.
#include <QDialog>
#include <QUrl>

namespace zym::shell {

struct ShellContext;
class PageBridge;
class WebPage;
class WebView;

class WebWindow : public QDialog
{
    Q_OBJECT
public:
    enum class Kind
    {
        Login,     // the first window; closing it asks the log-out question
        Launchpad, // the main window after login; closing it asks the same question
        Popup,     // windows opened by pages; closing destroys them
    };

    WebWindow(ShellContext& context, PageBridge& bridge, Kind kind, QWidget* parent = nullptr);

    Kind WindowKind() const { return kind_; }
    WebPage* Page() const { return page_; }
    WebView* View() const { return view_; }
    ShellContext& Context() const { return context_; }

    void Load(const QUrl& url);
    // Moves the window to the middle of its screen, keeping it within the screen.
    void CentreOnScreen();
    bool PageLoaded() const { return pageLoaded_; }
    // Runs script in the main frame of the window's page.
    void RunScript(const QString& script);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    ShellContext& context_;
    Kind kind_;
    WebView* view_ = nullptr;
    WebPage* page_ = nullptr;
    bool pageLoaded_ = false;
    bool closingByMessage_ = false;
};

} // namespace zym::shell
