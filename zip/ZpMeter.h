#pragma once
// A segmented progress meter: a painted row (or column) of filled blocks.
// TZpCustomMeter holds the behaviour; TZpMeter is the name forms use.

#include <QColor>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

class QMouseEvent;

enum TZpMeterOrientation { moHorizontal, moVertical };
enum TZpBorderStyle { bsNone, bsSingle };

class TZpCustomMeter : public QWidget {
public:
    explicit TZpCustomMeter(QWidget* parent = nullptr);

    uint8_t TickMarks() const { return tickMarks_; }
    // 0 would divide by zero when painting, so it stands for the default 10.
    void SetTickMarks(uint8_t value);

    TZpBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TZpBorderStyle value);

    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool value);

    TZpMeterOrientation Orientation() const { return orientation_; }
    // Turning the meter swaps width and height, except while its form is
    // loading, when the stored size already belongs to the new orientation.
    void SetOrientation(TZpMeterOrientation value);

    // An invalid colour (the default of UnusedColor) follows the palette's
    // button face, as a system colour would.
    QColor UsedColor() const { return usedColor_; }
    void SetUsedColor(const QColor& value);
    QColor UnusedColor() const;
    void SetUnusedColor(const QColor& value);

    int32_t Percent() const { return percent_; }
    // Clamped to 0..100.
    void SetPercent(int32_t value);

    std::string Version() const { return "1.20"; }
    void SetVersion(const std::string&) {}

    // While set, orientation changes leave the size alone (a form being read).
    void SetLoading(bool loading) { loading_ = loading; }
    bool Loading() const { return loading_; }

    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void(QMouseEvent&)> OnMouseDown;
    std::function<void(QMouseEvent&)> OnMouseMove;
    std::function<void(QMouseEvent&)> OnMouseUp;

    // Paints the meter as it looks now into a new image of the widget's size.
    QImage Render() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void PaintTo(QPainter& painter) const;

    uint8_t tickMarks_ = 10;
    TZpBorderStyle borderStyle_ = bsSingle;
    bool ctl3D_ = true;
    TZpMeterOrientation orientation_ = moHorizontal;
    QColor usedColor_{0, 0, 128};
    QColor unusedColor_;
    int32_t percent_ = 0;
    bool loading_ = false;
    bool pressed_ = false;
};

class TZpMeter : public TZpCustomMeter {
public:
    using TZpCustomMeter::TZpCustomMeter;
};
