#pragma once
// Numbered messages with two parameters, delivered to a window as Qt events: posting queues
// the event, handlers run on the main thread. The numbers are those of bridge/window_messages.h.
#include <QEvent>
#include <QObject>
#include <cstdint>
#include <functional>

namespace zym::shell {

class WindowMessageEvent : public QEvent
{
public:
    static QEvent::Type EventType();
    WindowMessageEvent(int message, std::uintptr_t wParam, std::intptr_t lParam)
        : QEvent(EventType()), message(message), wParam(wParam), lParam(lParam)
    {}
    // Runs when the event goes, delivered or not: Qt drops the events of a receiver that is
    // destroyed first, and what they carried must not wait for it forever.
    ~WindowMessageEvent() override
    {
        if (onGone)
            onGone();
    }
    std::function<void()> onGone;
    const int message;
    const std::uintptr_t wParam;
    const std::intptr_t lParam;
};

// Queues the message for the receiver (like posting a window message); safe from any thread.
void PostWindowMessage(QObject* receiver, int message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
// The same; onGone runs when the event is deleted, after its handler or unhandled (the
// receiver went first). Without a receiver it runs at once.
void PostWindowMessage(QObject* receiver, int message, std::uintptr_t wParam, std::function<void()> onGone);

} // namespace zym::shell
