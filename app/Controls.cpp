#include "app/Controls.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QValidator>

namespace {

// The picture mask "A": letters only, turned to upper case as they arrive
// (typed or pasted).
class TUpperLetterValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        if (input.size() > 1)
            return Invalid;
        if (input.isEmpty())
            return Intermediate;
        if (input[0].unicode() >= 128 || !input[0].isLetter())
            return Invalid;
        input = input.toUpper();
        return Acceptable;
    }
};

}  // namespace

TProductButton::TProductButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void TProductButton::SetColor(const QColor& color)
{
    color_ = color;
    update();
}

void TProductButton::SetFontColor(const QColor& color)
{
    fontColor_ = color;
    update();
}

void TProductButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = std::min(r.width(), r.height()) * cornerBias_ / 100.0;
    QPainterPath shape;
    shape.addRoundedRect(r, radius, radius);
    const QColor face = isDown() ? color_.darker(130) : color_;
    // Highlight shading: lighter at the top edge, the colour from the middle.
    QLinearGradient shade(r.topLeft(), r.bottomLeft());
    shade.setColorAt(0.0, face.lighter(160));
    shade.setColorAt(0.5, face);
    shade.setColorAt(1.0, face.darker(115));
    p.fillPath(shape, shade);
    p.setPen(QPen(face.darker(150), 1));
    p.drawPath(shape);
    p.setPen(fontColor_);
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter | Qt::TextShowMnemonic, text());
    if (hasFocus()) {
        p.setPen(QPen(fontColor_, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(2, 2, -2, -2), radius, radius);
    }
}

TLinkLabel::TLinkLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick)
        OnClick();
}

TShadowLabel::TShadowLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void TShadowLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(font());
    const Qt::Alignment align = alignment();
    const QRect r = contentsRect().adjusted(1, 1, -2, -2);
    p.setPen(QColor(128, 128, 128));
    p.drawText(r.translated(2, 2), static_cast<int>(align), text());
    p.setPen(Qt::white);
    p.drawText(r.translated(-1, -1), static_cast<int>(align), text());
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(r, static_cast<int>(align), text());
}

TRadioGroup::TRadioGroup(QWidget* parent) : QGroupBox(parent)
{
    group_.setExclusive(true);
    QObject::connect(&group_, &QButtonGroup::idClicked, this, [this](int) {
        if (OnClick)
            OnClick();
    });
}

void TRadioGroup::SetItems(const std::vector<QString>& items)
{
    for (auto* b : buttons_)
        delete b;
    buttons_.clear();
    int id = 0;
    for (const auto& text : items) {
        auto* b = new QRadioButton(text, this);
        b->setObjectName(objectName() + QString::number(id));
        group_.addButton(b, id++);
        buttons_.push_back(b);
    }
    Arrange();
}

QString TRadioGroup::Item(int index) const
{
    return buttons_.at(static_cast<size_t>(index))->text();
}

int TRadioGroup::ItemIndex() const
{
    return group_.checkedId();
}

void TRadioGroup::SetItemIndex(int index)
{
    if (index >= Count())
        index = Count() - 1;
    if (index < 0) {
        // An exclusive group cannot uncheck its last button directly.
        group_.setExclusive(false);
        for (auto* b : buttons_)
            b->setChecked(false);
        group_.setExclusive(true);
        return;
    }
    buttons_[static_cast<size_t>(index)]->setChecked(true);
}

void TRadioGroup::resizeEvent(QResizeEvent* event)
{
    QGroupBox::resizeEvent(event);
    Arrange();
}

void TRadioGroup::Arrange()
{
    // Items share the height below the caption evenly, as a radio group
    // lays out its buttons.
    if (buttons_.empty())
        return;
    const int top = fontMetrics().height() + 1;
    const int each = (height() - top - 4) / Count();
    for (int i = 0; i < Count(); ++i)
        buttons_[static_cast<size_t>(i)]->setGeometry(8, top + i * each, width() - 12, each);
}

TFloppyEdit::TFloppyEdit(QWidget* parent) : QLineEdit(parent)
{
    setMaxLength(1);
    setValidator(new TUpperLetterValidator(this));
    setCursor(Qt::IBeamCursor);
}

void TFloppyEdit::keyPressEvent(QKeyEvent* event)
{
    const QString t = event->text();
    if (t.size() == 1 && t[0].isLetter() && t[0].unicode() < 128) {
        setText(t.toUpper());
        return;
    }
    if (t.size() == 1 && t[0].isPrint())
        return;  // the mask accepts letters only
    QLineEdit::keyPressEvent(event);
}
