// The kinds of control the main window is built from that plain Qt widgets
// do not give as designed: rounded product buttons, link labels, a heading
// with raised shadowed text, radio groups with an item index, and the
// one-letter drive field.
#pragma once

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <functional>
#include <vector>

// A plain click button painted as a rounded rectangle in its colour, with a
// lighter band on top; caption centred both ways.
class TProductButton : public QAbstractButton {
public:
    explicit TProductButton(QWidget* parent = nullptr);
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);
    QColor FontColor() const { return fontColor_; }
    void SetFontColor(const QColor& color);
    // Corner rounding as a share of the shorter side, in percent.
    void SetCornerBias(int percent) { cornerBias_ = percent; update(); }
    int CornerBias() const { return cornerBias_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor color_{Qt::lightGray};
    QColor fontColor_{Qt::black};
    int cornerBias_ = 25;
};

// A label that reports clicks; text is always plain ("&" shown as is).
class TLinkLabel : public QLabel {
public:
    explicit TLinkLabel(QWidget* parent = nullptr);
    std::function<void()> OnClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A heading whose text stands out: a dark shadow below right and a light
// edge above left.
class TShadowLabel : public QLabel {
public:
    explicit TShadowLabel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;
};

// A captioned group of radio items with an item index (-1: none).
class TRadioGroup : public QGroupBox {
public:
    explicit TRadioGroup(QWidget* parent = nullptr);
    void SetItems(const std::vector<QString>& items);
    int Count() const { return static_cast<int>(buttons_.size()); }
    QString Item(int index) const;
    QRadioButton* Button(int index) const { return buttons_.at(static_cast<size_t>(index)); }
    int ItemIndex() const;
    // Values past the ends are clamped to -1 and Count() - 1. Does not run
    // OnClick.
    void SetItemIndex(int index);
    // A click by the user on an item.
    std::function<void()> OnClick;

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    void Arrange();

    QButtonGroup group_;
    std::vector<QRadioButton*> buttons_;
};

// One upper-case letter; typing replaces the letter that is there
// (overwrite mode) and other characters are refused.
class TFloppyEdit : public QLineEdit {
public:
    explicit TFloppyEdit(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
