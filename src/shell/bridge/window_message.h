#pragma once
// Numbered messages with two parameters, delivered to a window as Qt events: posting queues
// the event, handlers run on the main thread. The numbers are those of bridge/window_messages.h.
#include <QEvent>
#include <QObject>
#include <cstdint>

namespace zym::shell {

class WindowMessageEvent : public QEvent
{
public:
    static QEvent::Type EventType();
    WindowMessageEvent(int message, std::uintptr_t wParam, std::intptr_t lParam)
        : QEvent(EventType()), message(message), wParam(wParam), lParam(lParam)
    {}
    const int message;
    const std::uintptr_t wParam;
    const std::intptr_t lParam;
};

// Queues the message for the receiver (like posting a window message); safe from any thread.
void PostWindowMessage(QObject* receiver, int message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

} // namespace zym::shell
