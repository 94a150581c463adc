#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <fstream>

#include "app/Bkup01About.h"
#include "app/HelpWindow.h"

namespace {

void Click(QWidget* w)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
}

// Families as Qt keeps them, designed face first.
std::string FirstFamily(const QFont& f)
{
    return f.families().isEmpty() ? f.family().toStdString() : f.families().front().toStdString();
}

// Children of a given C++ type (these classes carry no meta-object of their
// own, so Qt's typed search would count every widget).
template <class T>
int Count(const QObject& parent)
{
    int n = 0;
    for (QObject* child : parent.findChildren<QObject*>())
        n += dynamic_cast<T*>(child) != nullptr;
    return n;
}

} // namespace

TEST(FormAbout, ControlsAsDesigned)
{
    TFormAbout about(nullptr, {.WebSiteHost = "www.vorn.example", .OpenWebSite = {}});
    EXPECT_EQ(about.windowTitle(), "About Tessaro, Inc.'s Vorn Backup");
    EXPECT_EQ(about.size(), QSize(398, 256));
    EXPECT_EQ(about.font().pixelSize(), 11);
    EXPECT_FALSE(about.windowIcon().isNull());

    struct { const char* name; QRect geometry; const char* text; const char* family; int pixels; bool bold; QColor colour; } controls[] = {
        {"fcLabel1", {8, 8, 358, 42}, "Tessaro, Inc.'s Vorn Backup", "Times New Roman", 29, true, {}},
        {"LblVerHdr", {8, 80, 0, 0}, "Version", "MS Sans Serif", 16, true, {}},
        {"LblVersion", {80, 80, 0, 0}, "3.40", "MS Sans Serif", 16, true, QColor(0, 0, 255)},
        {"LblCopyright", {0, 223, 398, 33}, kCopyrightNotice, "MS Sans Serif", 11, true, {}},
        {"LblWebHdr", {8, 128, 0, 0}, "Web", "MS Sans Serif", 16, true, {}},
        {"LblURL", {80, 128, 0, 0}, "www.vorn.example", "MS Sans Serif", 16, true, QColor(0, 0, 255)},
    };
    for (const auto& c : controls) {
        auto* l = about.findChild<QLabel*>(c.name);
        ASSERT_NE(l, nullptr) << c.name;
        // Labels without a designed size take the size of their text.
        if (c.geometry.width()) {
            EXPECT_EQ(l->geometry(), c.geometry) << c.name;
        } else {
            EXPECT_EQ(l->pos(), c.geometry.topLeft()) << c.name;
        }
        EXPECT_GT(l->width(), 0) << c.name;
        EXPECT_EQ(l->text().toStdString(), QString::fromUtf8(c.text).toStdString()) << c.name;
        EXPECT_EQ(FirstFamily(l->font()), c.family) << c.name;
        EXPECT_EQ(l->font().pixelSize(), c.pixels) << c.name;
        EXPECT_EQ(l->font().bold(), c.bold) << c.name;
        EXPECT_FALSE(l->autoFillBackground()) << c.name << " must be transparent";
        if (c.colour.isValid()) {
            EXPECT_EQ(l->palette().color(QPalette::WindowText), c.colour) << c.name;
        }
    }
    auto* copyright = about.findChild<QLabel*>("LblCopyright");
    EXPECT_TRUE(copyright->wordWrap());
    EXPECT_TRUE(copyright->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(about.findChild<QLabel*>("LblURL")->cursor().shape(), Qt::PointingHandCursor);

    auto* close = about.findChild<QToolButton*>("SBClose");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->geometry(), QRect(375, 0, 23, 22));
    EXPECT_EQ(close->text(), "X");
    EXPECT_EQ(close->toolTip(), "Close about");
    EXPECT_TRUE(close->autoRaise());
    EXPECT_EQ(close->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(close->font().bold());
    EXPECT_EQ(close->font().pixelSize(), 11);

    auto* img = about.findChild<QLabel*>("ImgIcon");
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->geometry(), QRect(0, 0, 401, 257));
    EXPECT_EQ(img->pixmap().size(), QSize(396, 256));
}

TEST(FormAbout, BadPictureLeavesWindowWithoutOne)
{
    TFormAbout about;
    auto* img = about.findChild<QLabel*>("ImgIcon");
    const std::vector<uint8_t> garbage(300, 0xFF);
    auto head = AboutPictureJpeg().first(400);
    struct { const char* name; std::span<const uint8_t> bytes; } cases[] = {
        {"empty", {}},
        {"garbage", garbage},
        {"truncated", head},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(about.LoadPicture(AboutPictureJpeg()));
        EXPECT_FALSE(about.LoadPicture(c.bytes)) << c.name;
        EXPECT_TRUE(img->pixmap().isNull()) << c.name;
    }
    about.show();
    EXPECT_TRUE(about.isVisible());
    // The text still paints over the plain background.
    EXPECT_FALSE(about.grab().isNull());
}

TEST(FormAbout, ClicksCloseAndOpenTheWebSite)
{
    std::vector<std::string> opened;
    TAboutOptions options;
    options.WebSiteHost = "www.vorn.example";
    options.OpenWebSite = [&](QWidget* window, const std::string& host) {
        EXPECT_NE(window, nullptr);
        opened.push_back(host);
    };
    for (const char* closer : {"SBClose", "ImgIcon"}) {
        TFormAbout about(nullptr, options);
        about.show();
        Click(about.findChild<QLabel*>("LblURL"));
        EXPECT_TRUE(about.isVisible());
        Click(about.findChild<QWidget*>(closer));
        EXPECT_FALSE(about.isVisible()) << closer;
    }
    EXPECT_EQ(opened, (std::vector<std::string>{"www.vorn.example", "www.vorn.example"}));
}

TEST(FormAbout, ShowAboutIsModalAndReturnsOnClose)
{
    QWidget owner;
    bool sawModal = false;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        sawModal = about->windowTitle() == "About Tessaro, Inc.'s Vorn Backup";
        Click(about->findChild<QToolButton*>("SBClose"));
    });
    ShowAbout(&owner);
    EXPECT_TRUE(sawModal);
    EXPECT_EQ(Count<TFormAbout>(owner), 0) << "the window is destroyed after closing";
}

class HelpWindowTest : public ::testing::Test {
protected:
    std::vector<std::string> boxes;
    THelpErrorBox Recorder()
    {
        return [this](QWidget*, const std::string& text) { boxes.push_back(text); };
    }
    std::string Shipped() const { return VORN_BINARY_DIR "/app/VornBack.hlp"; }
};

TEST_F(HelpWindowTest, ShowsTheContentsTopicAndFollowsLinks)
{
    QWidget owner;
    // Other children of the owner are not taken for its help window.
    new QLabel("not help", &owner);
    THelpWindow* w = ShowHelpTopic(&owner, Shipped(), 10, Recorder());
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->CurrentContext(), 10);
    auto* text = w->findChild<QTextBrowser*>("HelpText");
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->toPlainText().contains("Vorn Backup"));
    auto* back = w->findChild<QPushButton*>("HelpBack");
    EXPECT_FALSE(back->isEnabled());

    // Follow the first link of the contents, then come back.
    const THelpFile file = THelpFile::Load(Shipped());
    int32_t target = 0;
    for (const auto& b : file.Find(10)->Blocks)
        for (const auto& s : SplitHelpLinks(b.Text))
            if (!target && s.LinkContext)
                target = s.LinkContext;
    ASSERT_NE(target, 0) << "the contents topic links to nothing";
    emit text->anchorClicked(QUrl(QString("topic:%1").arg(target)));
    EXPECT_EQ(w->CurrentContext(), target);
    EXPECT_TRUE(w->windowTitle().contains(QString::fromStdString(file.Find(target)->Title)));
    EXPECT_TRUE(back->isEnabled());
    back->click();
    EXPECT_EQ(w->CurrentContext(), 10);
    EXPECT_FALSE(back->isEnabled());

    // Links elsewhere are ignored; a dangling one gives an error box.
    emit text->anchorClicked(QUrl("http://example.com/"));
    EXPECT_EQ(w->CurrentContext(), 10);
    EXPECT_FALSE(w->ShowTopic(424242));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("no topic with context number 424242"), std::string::npos);
    EXPECT_EQ(w->CurrentContext(), 10);

    // A second request reuses the one window of the owner, even after closing.
    w->close();
    EXPECT_EQ(ShowHelpTopic(&owner, Shipped(), target, Recorder()), w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->CurrentContext(), target);
    EXPECT_EQ(Count<THelpWindow>(owner), 1);
}

TEST_F(HelpWindowTest, ErrorsGiveABoxAndNoWindow)
{
    const std::filesystem::path dir = std::filesystem::path(VORN_BINARY_DIR) / "help_window_test";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "damaged.hlp") << "VORNHELP 1\n@topic x Broken\n";
    std::ofstream(dir / "other.hlp") << "VORNHELP 1\n@topic 11 Only\n";
    struct { std::string path; const char* message; } cases[] = {
        {(dir / "missing.hlp").string(), "the file does not exist"},
        {(dir / "damaged.hlp").string(), "line 2: bad context number"},
        {(dir / "other.hlp").string(), "has no topic with context number 10"},
    };
    QWidget owner;
    for (const auto& c : cases) {
        boxes.clear();
        EXPECT_EQ(ShowHelpTopic(&owner, c.path, 10, Recorder()), nullptr) << c.path;
        ASSERT_EQ(boxes.size(), 1u) << c.path;
        EXPECT_NE(boxes[0].find(c.message), std::string::npos) << boxes[0];
        EXPECT_NE(boxes[0].find(c.path), std::string::npos) << boxes[0];
    }
    EXPECT_EQ(Count<THelpWindow>(owner), 0);
    std::filesystem::remove_all(dir);
}

TEST(HelpTopicHtml, EscapesTextAndMakesLinks)
{
    const THelpFile f = THelpFile::Parse(
        "VORNHELP 1\n@topic 10 A <b> & C\nSee [x < y](#20) & more.\n- one\n- two\n== Head\n");
    EXPECT_EQ(HelpTopicHtml(*f.Find(10)),
              "<h2>A &lt;b&gt; &amp; C</h2>\n"
              "<p>See <a href=\"topic:20\">x &lt; y</a> &amp; more.</p>\n"
              "<ul>\n<li>one</li>\n<li>two</li>\n</ul>\n"
              "<h3>Head</h3>\n");
}
