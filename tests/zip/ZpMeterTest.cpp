#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>

#include <vector>

#include "zip/ZpMeter.h"

namespace {

const QColor navy(0, 0, 128);

// A palette with the classic system colours, so expected pixels are fixed.
void UseClassicPalette(QWidget& w)
{
    QPalette pal = w.palette();
    pal.setColor(QPalette::Button, QColor(212, 208, 200));
    pal.setColor(QPalette::Dark, QColor(128, 128, 128));
    pal.setColor(QPalette::Light, QColor(255, 255, 255));
    w.setPalette(pal);
}
const QColor face(212, 208, 200), shadow(128, 128, 128), highlight(255, 255, 255);

QColor At(const QImage& img, int x, int y) { return img.pixelColor(x, y); }

// Runs of the used colour along one row (or column): their [start, end] pixels.
std::vector<std::pair<int, int>> Runs(const QImage& img, bool horizontal, int line)
{
    std::vector<std::pair<int, int>> runs;
    const int n = horizontal ? img.width() : img.height();
    for (int i = 0; i < n; ++i) {
        const QColor c = horizontal ? At(img, i, line) : At(img, line, i);
        if (c != navy)
            continue;
        if (!runs.empty() && runs.back().second == i - 1)
            runs.back().second = i;
        else
            runs.push_back({i, i});
    }
    return runs;
}

} // namespace

TEST(ZpMeter, NewMeterIsEmptyWithSunkenBorder)
{
    TZpMeter m;
    UseClassicPalette(m);
    EXPECT_EQ(m.size(), QSize(150, 16));
    EXPECT_EQ(m.TickMarks(), 10);
    EXPECT_EQ(m.BorderStyle(), bsSingle);
    EXPECT_TRUE(m.Ctl3D());
    EXPECT_EQ(m.Orientation(), moHorizontal);
    EXPECT_EQ(m.UsedColor(), navy);
    EXPECT_EQ(m.UnusedColor(), face);
    EXPECT_EQ(m.Percent(), 0);
    EXPECT_EQ(m.Version(), "1.20");
    m.SetVersion("9.99");
    EXPECT_EQ(m.Version(), "1.20");

    const QImage img = m.Render();
    for (int y = 1; y < 15; ++y)
        for (int x = 1; x < 149; ++x)
            ASSERT_EQ(At(img, x, y), face) << x << "," << y;
    struct { int x, y; QColor c; } border[] = {
        {0, 0, shadow}, {0, 14, shadow}, {75, 0, shadow}, {148, 0, shadow},
        {149, 0, highlight}, {149, 8, highlight}, {149, 15, highlight},
        {0, 15, highlight}, {75, 15, highlight},
    };
    for (const auto& p : border)
        EXPECT_EQ(At(img, p.x, p.y), p.c) << p.x << "," << p.y;
}

// The main window's meter: 465 x 16, 10 ticks, blocks of 45 px every 47 px.
TEST(ZpMeter, MainWindowMeterBlocks)
{
    TZpMeter m;
    UseClassicPalette(m);
    m.resize(465, 16);
    struct { int percent; std::vector<std::pair<int, int>> runs; } cases[] = {
        {0, {}},
        {9, {}},
        {10, {{1, 45}}},
        {30, {{1, 45}, {48, 92}, {95, 139}}},
        // The tenth block would end at 468; it is clipped and the border wins.
        {100, {{1, 45}, {48, 92}, {95, 139}, {142, 186}, {189, 233}, {236, 280},
               {283, 327}, {330, 374}, {377, 421}, {424, 463}}},
    };
    for (const auto& c : cases) {
        m.SetPercent(c.percent);
        const QImage img = m.Render();
        for (int y : {1, 8, 14})
            EXPECT_EQ(Runs(img, true, y), c.runs) << c.percent << "% row " << y;
        EXPECT_TRUE(Runs(img, true, 0).empty()) << c.percent;
        EXPECT_TRUE(Runs(img, true, 15).empty()) << c.percent;
        if (c.percent == 100) {
            EXPECT_EQ(At(img, 46, 8), face);
            EXPECT_EQ(At(img, 47, 8), face);
            EXPECT_EQ(At(img, 464, 8), highlight);
        }
    }
}

// The block count follows the tick count; blocks that start past the right
// edge stay hidden (the layout overruns a little, as with 10 ticks).
TEST(ZpMeter, BlockCountFollowsTickCount)
{
    TZpMeter m;
    m.resize(465, 16);
    struct { uint8_t ticks; int percent; size_t visible; std::pair<int, int> first; } cases[] = {
        {10, 100, 10, {1, 45}},
        {20, 50, 10, {1, 23}},   // s = 23, every 25 px
        {20, 100, 19, {1, 23}},  // the 20th block would start at 476
        {5, 100, 5, {1, 90}},
        {5, 50, 2, {1, 90}},
        {1, 99, 0, {}},
        {1, 100, 1, {1, 447}},
        {255, 100, 116, {1, 2}}, // s = 2, every 4 px up to x = 461
    };
    for (const auto& c : cases) {
        m.SetTickMarks(c.ticks);
        m.SetPercent(c.percent);
        const auto runs = Runs(m.Render(), true, 8);
        EXPECT_EQ(runs.size(), c.visible) << int(c.ticks) << " ticks, " << c.percent << "%";
        if (!runs.empty()) {
            EXPECT_EQ(runs.front(), c.first) << int(c.ticks) << " ticks";
        }
    }
}

TEST(ZpMeter, PropertyRules)
{
    TZpMeter m;
    m.SetTickMarks(0);
    EXPECT_EQ(m.TickMarks(), 10);
    m.SetTickMarks(7);
    m.SetTickMarks(0);
    EXPECT_EQ(m.TickMarks(), 10);

    struct { int in, out; } percents[] = {{-5, 0}, {0, 0}, {55, 55}, {100, 100}, {101, 100}, {INT32_MAX, 100}, {INT32_MIN, 0}};
    for (const auto& p : percents) {
        m.SetPercent(p.in);
        EXPECT_EQ(m.Percent(), p.out) << p.in;
    }

    m.SetOrientation(moVertical);
    EXPECT_EQ(m.size(), QSize(16, 150));
    m.SetOrientation(moVertical);
    EXPECT_EQ(m.size(), QSize(16, 150));
    m.SetOrientation(moHorizontal);
    EXPECT_EQ(m.size(), QSize(150, 16));
    m.SetLoading(true);
    m.SetOrientation(moVertical);
    EXPECT_EQ(m.size(), QSize(150, 16));
    EXPECT_EQ(m.Orientation(), moVertical);
}

// 16 x 150 vertical, 10 ticks: blocks of 15 rows growing upwards, 1 row apart,
// from x = 2 to 13.
TEST(ZpMeter, VerticalBlocks)
{
    TZpMeter m;
    UseClassicPalette(m);
    m.SetOrientation(moVertical);
    m.SetPercent(30);
    const QImage img = m.Render();
    const std::vector<std::pair<int, int>> rows = {{102, 116}, {118, 132}, {134, 148}};
    for (int x : {2, 8, 13})
        EXPECT_EQ(Runs(img, false, x), rows) << "column " << x;
    EXPECT_TRUE(Runs(img, false, 1).empty());
    EXPECT_TRUE(Runs(img, false, 14).empty());
    EXPECT_EQ(At(img, 8, 149), highlight);
}

TEST(ZpMeter, BorderStyles)
{
    struct { TZpBorderStyle style; bool ctl3D; QColor topLeft, bottomRight; } cases[] = {
        {bsSingle, true, shadow, highlight},
        {bsSingle, false, Qt::black, Qt::black},
        {bsNone, true, face, face},
        {bsNone, false, face, face},
    };
    for (const auto& c : cases) {
        TZpMeter m;
        UseClassicPalette(m);
        m.SetBorderStyle(c.style);
        m.SetCtl3D(c.ctl3D);
        const QImage img = m.Render();
        EXPECT_EQ(At(img, 0, 5), c.topLeft);
        EXPECT_EQ(At(img, 40, 0), c.topLeft);
        EXPECT_EQ(At(img, 149, 5), c.bottomRight);
        EXPECT_EQ(At(img, 40, 15), c.bottomRight);
    }
}

TEST(ZpMeter, ColoursAndWidgetPaintAgree)
{
    TZpMeter m;
    m.resize(465, 16);
    m.SetUsedColor(QColor(0, 128, 0));
    m.SetUnusedColor(QColor(255, 255, 0));
    m.SetPercent(20);
    const QImage img = m.Render();
    EXPECT_EQ(At(img, 1, 1), QColor(0, 128, 0));
    EXPECT_EQ(At(img, 46, 1), QColor(255, 255, 0));
    EXPECT_EQ(At(img, 100, 8), QColor(255, 255, 0));
    // The widget's own paint path draws the same pixels.
    EXPECT_EQ(m.grab().toImage().convertToFormat(QImage::Format_RGB32), img);
}

TEST(ZpMeter, MouseEvents)
{
    TZpMeter m;
    int clicks = 0, doubles = 0, downs = 0, ups = 0;
    m.OnClick = [&] { ++clicks; };
    m.OnDblClick = [&] { ++doubles; };
    m.OnMouseDown = [&](QMouseEvent&) { ++downs; };
    m.OnMouseUp = [&](QMouseEvent&) { ++ups; };
    auto send = [&](QEvent::Type type, QPointF at) {
        QMouseEvent e(type, at, m.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&m, &e);
    };
    send(QEvent::MouseButtonPress, {10, 5});
    send(QEvent::MouseButtonRelease, {10, 5});
    EXPECT_EQ(clicks, 1);
    // Released outside the meter: no click.
    send(QEvent::MouseButtonPress, {10, 5});
    send(QEvent::MouseButtonRelease, {400, 5});
    EXPECT_EQ(clicks, 1);
    send(QEvent::MouseButtonDblClick, {10, 5});
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(downs, 3);
    EXPECT_EQ(ups, 2);
}
