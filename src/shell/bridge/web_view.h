#pragma once
// The browser view of a hosting window: its context menu follows UIDebug and dragged files
// are remembered for getDragFiles.
#include <QMimeData>
#include <QWebEngineView>

namespace zym::shell {

struct ShellContext;
class PageBridge;

class WebView : public QWebEngineView
{
    Q_OBJECT
public:
    WebView(ShellContext& context, PageBridge& bridge, QWidget* parent);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    void OpenDeveloperTools();
    void RememberDrag(const QMimeData* data);

    ShellContext& context_;
    PageBridge& bridge_;
};

} // namespace zym::shell
