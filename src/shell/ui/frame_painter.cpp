#include "shell/ui/frame_painter.h"

#include <QApplication>
#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QRect>

namespace zym {

namespace {

QRect ToQRect(const FrameRect& r)
{
    return QRect(r.x, r.y, r.width, r.height);
}

QImage LoadImage(const QString& installFolder, const std::string& path)
{
    if (path.empty())
        return {};
    QImage image(installFolder + QString::fromStdString(path));
    return image; // a missing or unreadable file gives a null image
}

} // namespace

FrameImages LoadFrameImages(const QString& installFolder, const FrameSkin& skin)
{
    FrameImages images;
    images.border = LoadImage(installFolder, skin.borderImage);
    for (const FrameButton& b : skin.buttons)
        images.buttons.push_back(LoadImage(installFolder, b.image));
    return images;
}

QFont FrameTitleFont()
{
    QFont font = QApplication::font();
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    return font;
}

void PaintFrame(QPainter& painter, const FrameSkin& skin, const FrameImages& images, const FrameLook& look)
{
    painter.save();
    // Slices are stretched pixel for pixel; smoothing would blur the one-pixel edges.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);

    if (!images.border.isNull()) {
        for (const SlicePlace& p :
             SlicePlaces(skin, look.width, look.height, look.maximised, look.maximisedOffset))
            painter.drawImage(ToQRect(p.target), images.border, ToQRect(p.source));
    }

    const FrameRect window{0, 0, look.width, look.height};
    for (std::size_t i = 0; i < skin.buttons.size() && i < images.buttons.size(); ++i) {
        const QImage& image = images.buttons[i];
        const FrameRect source =
            ImageColumnSource(skin.buttons[i], look.maximised, image.width(), image.height());
        if (image.isNull() || source.Empty())
            continue;
        const FrameRect place = ButtonPlace(skin.buttons[i], window, look.maximisedOffset);
        painter.drawImage(ToQRect(place), image, ToQRect(source));
    }

    const QRect icon = ToQRect(IconPlace(skin, look.maximisedOffset));
    if (!look.icon.isNull())
        look.icon.paint(&painter, icon);

    const QRect title = ToQRect(TitlePlace(skin, look.width, look.maximisedOffset));
    if (!look.title.isEmpty() && title.width() > 0) {
        painter.setFont(look.titleFont);
        painter.setPen(QColor::fromRgb(static_cast<QRgb>(skin.titleColour)));
        const QString text =
            QFontMetrics(look.titleFont).elidedText(look.title, Qt::ElideRight, title.width());
        painter.setClipRect(title);
        painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }
    painter.restore();
}

} // namespace zym
