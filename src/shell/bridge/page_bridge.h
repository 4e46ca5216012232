#pragma once
// The native end of ZYMClient: one synchronous call from a page, read by the catalogue's
// rules and sent on its route (direct answer, window message with a PendingCall, task).
#include "ops/page_reply.h"

#include <QPointer>
#include <QString>
#include <QUrl>
#include <atomic>

namespace zym::shell {

struct ShellContext;
class WebPage;

// Runs the page's callback in the calling document, later, on the main thread. Dropped when
// the view or the document has gone.
class PageReplyTarget : public ReplyTarget
{
public:
    PageReplyTarget(WebPage* page, QString token, qint64 slot);
    void Deliver(const std::string& text) const override;

private:
    QPointer<WebPage> page_;
    QString token_;
    qint64 slot_;
};

class PageBridge
{
public:
    explicit PageBridge(ShellContext& context) : context_(context) {}

    // True for file addresses inside the UI folder: only those pages get ZYMClient.
    bool IsUiAddress(const QUrl& url) const;

    // One call from the page script (JSON {"f":name,"a":[text or null,...],"t":token});
    // returns the JSON the script reads: {"v":answer} for a value, {"s":slot,"c":index}
    // for a call that will be answered later through the callback at index, {} otherwise.
    QString Call(WebPage& page, const QString& request);

private:
    ShellContext& context_;
    std::atomic<qint64> nextSlot_{1};
};

} // namespace zym::shell
