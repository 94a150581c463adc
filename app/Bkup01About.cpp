#include "Bkup01About.h"

#include "JpegDecoder.h"

#include <QDesktopServices>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QToolButton>
#include <QUrl>

namespace {

// Designed fonts first; the metric-compatible or nearest installed faces after.
QFont DesignFont(const QStringList& families, int pixels, bool bold)
{
    QFont f;
    f.setFamilies(families);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}
const QStringList kSansSerif{"MS Sans Serif", "Liberation Sans", "DejaVu Sans"};
const QStringList kTahoma{"Tahoma", "Liberation Sans", "DejaVu Sans"};
const QStringList kTimes{"Times New Roman", "Liberation Serif", "DejaVu Serif"};

// A transparent label that reports left clicks.
class TClickLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> OnClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick)
            OnClick();
    }
};

// Heading text with a soft shadow 2 px below and to the right.
class TShadowLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setFont(font());
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
        p.setPen(palette().color(QPalette::Dark));
        p.drawText(rect().translated(2, 2), flags, text());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(rect(), flags, text());
    }
};

QLabel* PlainLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int pixels)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFont(DesignFont(kSansSerif, pixels, true));
    l->move(x, y);
    l->adjustSize();
    return l;
}

void SetTextColour(QWidget* w, const QColor& c)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, c);
    w->setPalette(pal);
}

} // namespace

TFormAbout::TFormAbout(QWidget* parent, TAboutOptions options) : QDialog(parent), options_(std::move(options))
{
    setObjectName("FormAbout");
    setWindowTitle("About Tessaro, Inc.'s Vorn Backup");
    setWindowIcon(VornIcon());
    setFixedSize(398, 256);
    setFont(DesignFont(kTahoma, 11, false));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    auto* img = new TClickLabel(this);
    img->setObjectName("ImgIcon");
    img->setGeometry(0, 0, 401, 257);
    img->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    img->OnClick = [this] { SBCloseClick(); };
    ImgIcon = img;

    SBClose = new QToolButton(this);
    SBClose->setObjectName("SBClose");
    SBClose->setText("X");
    SBClose->setAutoRaise(true); // flat until hovered
    SBClose->setGeometry(375, 0, 23, 22);
    SBClose->setFont(DesignFont(kSansSerif, 11, true));
    SBClose->setCursor(Qt::PointingHandCursor);
    SBClose->setToolTip("Close about");
    SBClose->setFocusPolicy(Qt::NoFocus);
    connect(SBClose, &QToolButton::clicked, this, [this] { SBCloseClick(); });

    fcLabel1 = new TShadowLabel("Tessaro, Inc.'s Vorn Backup", this);
    fcLabel1->setObjectName("fcLabel1");
    fcLabel1->setGeometry(8, 8, 358, 42);
    fcLabel1->setFont(DesignFont(kTimes, 29, true));

    LblVerHdr = PlainLabel(this, "LblVerHdr", "Version", 8, 80, 16);
    LblVersion = PlainLabel(this, "LblVersion", "", 80, 80, 16);
    SetTextColour(LblVersion, QColor(0, 0, 255));

    LblCopyright = new QLabel(this);
    LblCopyright->setObjectName("LblCopyright");
    LblCopyright->setGeometry(0, height() - 33, width(), 33);
    LblCopyright->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    LblCopyright->setWordWrap(true);
    LblCopyright->setFont(DesignFont(kSansSerif, 11, true));

    LblWebHdr = PlainLabel(this, "LblWebHdr", "Web", 8, 128, 16);

    auto* url = new TClickLabel(QString::fromStdString(options_.WebSiteHost), this);
    url->setObjectName("LblURL");
    url->setFont(DesignFont(kSansSerif, 16, true));
    url->move(80, 128);
    url->adjustSize();
    url->setCursor(Qt::PointingHandCursor);
    SetTextColour(url, QColor(0, 0, 255));
    url->OnClick = [this] { LblURLClick(); };
    LblURL = url;

    LoadPicture(AboutPictureJpeg());
    FormCreate();
}

void TFormAbout::FormCreate()
{
    LblVersion->setText(kAboutVersion);
    LblVersion->adjustSize();
    LblCopyright->setText(QString::fromUtf8(kCopyrightNotice));
}

bool TFormAbout::LoadPicture(std::span<const uint8_t> jpeg)
{
    TRgbPicture picture;
    std::string error;
    if (!DecodeJpeg(jpeg, picture, error)) {
        ImgIcon->setPixmap(QPixmap());
        return false;
    }
    const QImage image(picture.Pixels.data(), picture.Width, picture.Height, picture.Width * 3,
                       QImage::Format_RGB888);
    // fromImage copies, so the decoded buffer may go.
    ImgIcon->setPixmap(QPixmap::fromImage(image));
    return true;
}

void TFormAbout::SBCloseClick()
{
    close();
}

void TFormAbout::LblURLClick()
{
    if (options_.OpenWebSite)
        options_.OpenWebSite(this, options_.WebSiteHost);
    else
        QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(options_.WebSiteHost)));
}

void TFormAbout::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the screen, not on the owner.
    if (QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}

QIcon VornIcon()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0, 0, 128));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(8, 8), QPointF(16, 24), QPointF(24, 8)}));
    return QIcon(pm);
}

void ShowAbout(QWidget* parent, const TAboutOptions& options)
{
    TFormAbout about(parent, options);
    about.exec();
}
