#include "shell/bridge/window_message.h"

#include <QCoreApplication>

namespace zym::shell {

QEvent::Type WindowMessageEvent::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void PostWindowMessage(QObject* receiver, int message, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (receiver)
        QCoreApplication::postEvent(receiver, new WindowMessageEvent(message, wParam, lParam));
}

void PostWindowMessage(QObject* receiver, int message, std::uintptr_t wParam, std::function<void()> onGone)
{
    if (!receiver) {
        if (onGone)
            onGone();
        return;
    }
    auto* event = new WindowMessageEvent(message, wParam, 0);
    event->onGone = std::move(onGone);
    QCoreApplication::postEvent(receiver, event);
}

} // namespace zym::shell
