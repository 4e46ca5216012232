// Window messages are queued events; what a message carries (a page call's record) is released
// when the event goes, also when its window was destroyed before the event arrived.
#include "shell/bridge/window_message.h"

#include <QCoreApplication>
#include <QObject>
#include <gtest/gtest.h>
#include <memory>

using zym::shell::PostWindowMessage;
using zym::shell::WindowMessageEvent;

namespace {

// Counts the messages it receives.
class Receiver : public QObject
{
public:
    int received = 0;
    bool event(QEvent* e) override
    {
        if (e->type() == WindowMessageEvent::EventType()) {
            ++received;
            return true;
        }
        return QObject::event(e);
    }
};

} // namespace

TEST(WindowMessage, WhatAMessageCarriesIsReleasedWhetherOrNotItArrives)
{
    int released = 0;
    // Delivered: released after the handler ran.
    Receiver live;
    PostWindowMessage(&live, 5000, 7, [&] { ++released; });
    EXPECT_EQ(released, 0);
    QCoreApplication::sendPostedEvents(&live);
    EXPECT_EQ(live.received, 1);
    EXPECT_EQ(released, 1);

    // The receiver goes first: the event is dropped unhandled and still releases.
    auto gone = std::make_unique<Receiver>();
    PostWindowMessage(gone.get(), 5000, 8, [&] { ++released; });
    gone.reset();
    EXPECT_EQ(released, 2);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(released, 2);

    // No receiver at all: released at once.
    PostWindowMessage(nullptr, 5000, 9, [&] { ++released; });
    EXPECT_EQ(released, 3);
}
