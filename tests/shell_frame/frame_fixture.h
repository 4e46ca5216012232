// Shared pieces of the frame tests: a framed window shown offscreen, mouse
// events sent to the window or to the widget, and pixel helpers over the frame images.
#pragma once

#include "shell/ui/skin_frame.h"
#include "test_paths.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace zym::frametest {

inline QString SourceFolder()
{
    return QString::fromStdString(zymtest::SourceDir());
}

inline QImage SourceImage(const char* name)
{
    return QImage(SourceFolder() + "/image/" + name).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

inline void Drain()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
}

// Sends a mouse event the way the window system delivers it: to the top-level window, which passes it
// to the widget under the point (or to us, through the window's event filter).
inline void SendToWindow(CSkinBaseDlg& dlg, QEvent::Type type, QPoint local,
                         Qt::MouseButton button = Qt::NoButton, Qt::MouseButtons buttons = Qt::NoButton)
{
    QMouseEvent event(type, QPointF(local), QPointF(local), QPointF(dlg.mapToGlobal(local)), button, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(dlg.windowHandle(), &event);
    Drain();
}

inline void Move(CSkinBaseDlg& dlg, QPoint p, Qt::MouseButtons held = Qt::NoButton)
{
    SendToWindow(dlg, QEvent::MouseMove, p, Qt::NoButton, held);
}

inline void Press(CSkinBaseDlg& dlg, QPoint p)
{
    SendToWindow(dlg, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
}

inline void Release(CSkinBaseDlg& dlg, QPoint p)
{
    SendToWindow(dlg, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}

inline void Click(CSkinBaseDlg& dlg, QPoint p)
{
    Press(dlg, p);
    Release(dlg, p);
}

inline QImage Shot(QWidget& w)
{
    Drain();
    return w.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Writes a screenshot when ZYM_FRAME_SHOT_DIR names a folder; for looking at the frame, not for checks.
inline void SaveShot(const QImage& image, const char* name)
{
    if (const char* dir = std::getenv("ZYM_FRAME_SHOT_DIR"))
        image.save(QDir(QString::fromUtf8(dir)).filePath(QString::fromUtf8(name)));
}

// What a button looks like: one column of its image drawn over the caption colour.
inline QImage ButtonLook(const QImage& strip, int columns, int column, QSize size, QColor background)
{
    QImage out(size, QImage::Format_ARGB32_Premultiplied);
    out.fill(background);
    QPainter p(&out);
    const int w = strip.width() / columns;
    p.drawImage(QRect(QPoint(0, 0), size), strip, QRect(column * w, 0, w, strip.height()));
    return out;
}

// Largest difference of any channel between two equally sized images; -1 when the sizes differ.
inline int MaxDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return worst;
}

inline bool IsRed(QRgb c)
{
    return qRed(c) > 190 && qGreen(c) < 70 && qBlue(c) < 70;
}

class FrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(qApp, nullptr) << "main() makes the application object";
        dlg = std::make_unique<CSkinBaseDlg>();
        dlg->InitWebFrame(SourceFolder(), true);
        dlg->setWindowTitle("Bucket browser");
        dlg->setGeometry(40, 40, 640, 480);
        dlg->show();
        Drain();
        ASSERT_NE(dlg->windowHandle(), nullptr);
    }

    void TearDown() override
    {
        dlg.reset();
        Drain();
    }

    // The caption colour as the border image has it (the stretched top edge).
    QColor CaptionColour() const { return SourceImage("border.png").pixelColor(7, 15); }

    std::unique_ptr<CSkinBaseDlg> dlg;
};

} // namespace zym::frametest
