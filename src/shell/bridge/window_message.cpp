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

} // namespace zym::shell
