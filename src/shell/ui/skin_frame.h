// The self-drawn window frame of the web windows: a frameless top-level widget that paints its caption,
// borders and caption buttons from the frame images, moves and sizes itself by its caption and edges,
// and turns button clicks into numbered frame messages. Web window kinds derive from it and put their
// content into ClientArea().
#pragma once

#include "shell/ui/frame_painter.h"
#include "ui/frame_geometry.h"

#include <QPoint>
#include <QRect>
#include <QWidget>
#include <functional>

namespace zym {

class CSkinBaseDlg : public QWidget
{
    Q_OBJECT

public:
    explicit CSkinBaseDlg(QWidget* parent = nullptr);
    ~CSkinBaseDlg() override;

    // The frame of a web window; a resizable one has sizing edges and a maximise button.
    void InitWebFrame(const QString& installFolder, bool resizable);
    // The login window's frame: its own images and a single close button (see SetCloseButtonHook).
    void InitLoginFrame(const QString& installFolder);
    // Any skin; images are loaded from below the install folder, missing ones draw nothing.
    void InitFrame(const QString& installFolder, const FrameSkin& skin, bool resizable);

    // When false the window gets the desktop's own frame and every frame handler steps aside.
    void SetSkinned(bool skinned);
    bool IsSkinned() const { return skinned_; }
    bool IsResizable() const { return resizable_; }

    // The widget that fills the client rectangle; content goes here.
    QWidget* ClientArea() const { return client_; }
    QRect ClientRectangle() const;

    const FrameSkin& Skin() const { return skin_; }
    int ButtonState(int index) const;
    // A disabled button keeps its disabled look and ignores clicks; found by its message.
    void SetButtonEnabled(int message, bool enabled);

    // Handles one numbered frame message (minimise 2025, maximise or restore 2026, close 2027,
    // nothing 2024, repaint 1155); returns false for any other number.
    bool FrameMessage(int message);
    // Queues a frame message to this window, as a button click does.
    void PostFrameMessage(int message);

    // Replaces what the close button does (the login window asks whether to log out).
    void SetCloseButtonHook(std::function<void()> hook) { closeHook_ = std::move(hook); }

    // Distance by which caption and buttons move inside the screen edge while maximised. A frameless
    // window maximised by the window manager fills the work area exactly, so nothing hangs off-screen.
    virtual int MaximisedOffset() const { return 0; }

signals:
    // A caption button was clicked; its message has been queued to this window.
    void frameButtonClicked(int message);

protected:
    virtual void OnMinimiseButton();
    virtual void OnMaximiseButton();
    virtual void OnCloseButton();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Drag
    {
        None,
        Move,
        Resize
    };

    FrameHitResult Hit(QPoint point) const;
    void LayOut();
    void ToggleMaximised();
    void ResetButtons();
    void HoverAt(QPoint point);
    bool BeginDrag(FrameHitResult hit, QPoint globalPoint);
    void DragTo(QPoint globalPoint);
    void ShowSizingCursor(FrameHit hit, bool overClient);
    bool OnWindowEvent(QEvent* event);

    FrameSkin skin_;
    FrameImages images_;
    bool skinned_ = true;
    bool resizable_ = false;
    QWidget* client_ = nullptr; // owned as a child
    std::function<void()> closeHook_;

    // A move or resize that the window system could not take over is done here.
    Drag drag_ = Drag::None;
    FrameHit dragEdge_ = FrameHit::Outside;
    QPoint dragStart_;
    QRect dragGeometry_;
    bool dragFromClient_ = false;
    bool overrideCursor_ = false;
    bool filterInstalled_ = false;
};

} // namespace zym
