#include "ZpMeter.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include <algorithm>

TZpCustomMeter::TZpCustomMeter(QWidget* parent) : QWidget(parent)
{
    resize(150, 16);
    // Every pixel is painted, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TZpCustomMeter::SetTickMarks(uint8_t value)
{
    if (value == 0) {
        tickMarks_ = 10;
        return;
    }
    if (value != tickMarks_) {
        tickMarks_ = value;
        update();
    }
}

void TZpCustomMeter::SetBorderStyle(TZpBorderStyle value)
{
    if (value != borderStyle_) {
        borderStyle_ = value;
        update();
    }
}

void TZpCustomMeter::SetCtl3D(bool value)
{
    if (value != ctl3D_) {
        ctl3D_ = value;
        update();
    }
}

void TZpCustomMeter::SetOrientation(TZpMeterOrientation value)
{
    if (value == orientation_)
        return;
    orientation_ = value;
    if (!loading_)
        resize(height(), width());
    update();
}

void TZpCustomMeter::SetUsedColor(const QColor& value)
{
    if (value != usedColor_) {
        usedColor_ = value;
        update();
    }
}

QColor TZpCustomMeter::UnusedColor() const
{
    return unusedColor_.isValid() ? unusedColor_ : palette().color(QPalette::Button);
}

void TZpCustomMeter::SetUnusedColor(const QColor& value)
{
    if (value != unusedColor_) {
        unusedColor_ = value;
        update();
    }
}

void TZpCustomMeter::SetPercent(int32_t value)
{
    value = std::clamp(value, 0, 100);
    if (value != percent_) {
        percent_ = value;
        update();
    }
}

QImage TZpCustomMeter::Render() const
{
    QImage image(size(), QImage::Format_RGB32);
    QPainter painter(&image);
    PaintTo(painter);
    return image;
}

void TZpCustomMeter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintTo(painter);
}

// Coordinates follow the classic client rectangle: left/top 0, right/bottom
// one past the last pixel, and W = right - left + 1. Block rectangles are
// half-open like the platform's FillRect, so a block of size s covers s
// pixels. With a 465-wide meter and 10 ticks, s = 45 and blocks start at
// x = 1, 48, 95, ...; the tenth runs past the right edge and is clipped.
void TZpCustomMeter::PaintTo(QPainter& painter) const
{
    const int left = 0, top = 0, right = width(), bottom = height();
    const int w = right - left + 1;
    const int h = bottom - top + 1;
    const int k = tickMarks_;
    painter.setClipRect(rect());
    painter.fillRect(rect(), UnusedColor());

    // The block count scales the percentage to the tick count, so every tick
    // setting fills a whole bar at 100 percent.
    const int filled = percent_ * k / 100;
    if (orientation_ == moHorizontal) {
        const int s = (w - 20) / k + 1;
        if (s > 0)
            for (int i = 0; i < filled; ++i) {
                const int x = left + 1 + i * (s + 2);
                painter.fillRect(QRect(QPoint(x, top + 1), QPoint(x + s - 1, bottom - 2)), usedColor_);
            }
    } else {
        const int s = (h - 11) / k + 1;
        if (s > 0)
            for (int i = 0; i < filled; ++i) {
                const int y = bottom - 1 - i * (s + 1);
                painter.fillRect(QRect(QPoint(left + 2, y - s), QPoint(right - 3, y - 1)), usedColor_);
            }
    }

    if (borderStyle_ == bsSingle) {
        const QPalette& pal = palette();
        const QColor topLeft = ctl3D_ ? pal.color(QPalette::Dark) : QColor(Qt::black);
        const QColor bottomRight = ctl3D_ ? pal.color(QPalette::Light) : QColor(Qt::black);
        const int r = right - 1, b = bottom - 1;
        // The shadow runs up the left side and along the top; the highlight
        // owns the top-right and bottom-left corners, as a sunken frame does.
        painter.fillRect(QRect(QPoint(left, top), QPoint(left, b - 1)), topLeft);
        painter.fillRect(QRect(QPoint(left, top), QPoint(r - 1, top)), topLeft);
        painter.fillRect(QRect(QPoint(r, top), QPoint(r, b)), bottomRight);
        painter.fillRect(QRect(QPoint(left, b), QPoint(r, b)), bottomRight);
    }
}

void TZpCustomMeter::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    if (OnMouseDown)
        OnMouseDown(*event);
}

void TZpCustomMeter::mouseMoveEvent(QMouseEvent* event)
{
    if (OnMouseMove)
        OnMouseMove(*event);
}

void TZpCustomMeter::mouseReleaseEvent(QMouseEvent* event)
{
    if (OnMouseUp)
        OnMouseUp(*event);
    // A click is a left press and release over the control.
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click && OnClick)
        OnClick();
}

void TZpCustomMeter::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (OnMouseDown)
        OnMouseDown(*event);
    if (event->button() == Qt::LeftButton && OnDblClick)
        OnDblClick();
}
