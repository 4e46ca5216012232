// Loading and painting of the self-drawn frame: the images named by a frame skin and one function that
// draws the whole frame for a window size. Every place comes from the frame geometry.
#pragma once

#include "ui/frame_geometry.h"

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QString>
#include <vector>

class QPainter;

namespace zym {

struct FrameImages
{
    QImage border;               // null when the file is missing: its slices draw nothing
    std::vector<QImage> buttons; // one per skin button, same order; null when missing
};

// Loads the skin's images from below the install folder (the skin's paths start with "/").
FrameImages LoadFrameImages(const QString& installFolder, const FrameSkin& skin);

struct FrameLook
{
    int width = 0;
    int height = 0;
    bool maximised = false;
    int maximisedOffset = 0;
    QIcon icon;
    QString title;
    QFont titleFont;
};

// The title font: the desktop's general font at 12 pixels, normal weight.
QFont FrameTitleFont();

// Draws borders, caption, buttons (each in the image column of its state), icon and elided title.
// The client area is left untouched.
void PaintFrame(QPainter& painter, const FrameSkin& skin, const FrameImages& images, const FrameLook& look);

} // namespace zym
