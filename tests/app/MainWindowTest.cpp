// The real main window, offscreen: every control by name with its text,
// geometry, font and colours; the keyboard shortcuts; the location labels'
// width and literal "&".
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QTest>

#include "app/Bkup01.h"
#include "app/QtUi.h"
#include "platform/ScriptedUi.h"
#include "tests/app/AppMachine.h"
#include "zip/ZpMeter.h"

namespace {

class TNullShell : public TShell {
public:
    bool ShellOpen(std::string_view, std::string_view, std::string_view, int) override { return true; }
};

struct Control {
    const char* name;
    const char* parent;  // object name of the parent
    QRect geometry;      // width 0: sized to its text
    const char* text;    // nullptr: not checked
    int pixels;          // font height; 0: the window font
    bool bold, underline;
    QColor textColor;    // invalid: not checked
};

using namespace VornColors;

const Control kControls[] = {
    {"fcLabel1", "ClientArea", {8, 0, 362, 33}, "Tessaro, Inc. Products Found", 21, true, false, Blue},
    {"Label10", "ClientArea", {272, 30, 77, 20}, "Last Backup", 12, false, true, {}},
    {"Label11", "ClientArea", {408, 30, 126, 20}, "Backup To Location", 12, false, true, {}},
    {"LblPelloBkup", "ClientArea", {264, 50, 137, 15}, nullptr, 11, false, false, Maroon},
    {"LblSENBkup", "ClientArea", {264, 71, 137, 15}, nullptr, 11, false, false, Maroon},
    {"LblCORVBkup", "ClientArea", {264, 92, 137, 15}, nullptr, 11, false, false, Maroon},
    {"LblTALMBkup", "ClientArea", {264, 113, 137, 15}, nullptr, 11, false, false, Maroon},
    {"LblTALMLoc", "ClientArea", {408, 113, 345, 15}, nullptr, 11, false, true, Blue},
    {"LblCORVLoc", "ClientArea", {407, 92, 345, 15}, nullptr, 11, false, true, Blue},
    {"LblSENLoc", "ClientArea", {408, 71, 345, 15}, nullptr, 11, false, true, Blue},
    {"LblPelloLoc", "ClientArea", {408, 50, 345, 15}, nullptr, 11, false, true, Blue},
    {"Label1", "ClientArea", {8, 137, 241, 33}, "If green, the product has been located.", 12, false, false, Green},
    {"Label2", "ClientArea", {8, 175, 241, 49},
     "If red, the product has not been found. Press the product's button to locate the product.", 12, false, false,
     Red},
    {"Label8", "ClientArea", {264, 136, 0, 0}, "Make sure you are not currently running the program!", 12, true,
     false, {}},
    {"Label3", "ClientArea", {568, 192, 0, 0}, "Floppy drive letter", 0, false, false, {}},
    {"Label4", "ClientArea", {264, 240, 489, 49},
     "The resulting backup file will be of \"ZIP\" type. \"Hard drive\" location will default to the same "
     "directory in which the product was installed. (But, you will be able to change it if desired.)",
     0, false, false, {}},
    {"Label5", "ClientArea", {264, 296, 489, 33},
     "Only data files are backed up. The programs (EXE and DLL) files are not backed up.", 0, false, false, {}},
    {"Label6", "ClientArea", {264, 336, 489, 33},
     "After selecting the \"Action to Take\" and \"Location,\" press the product's green button to perform the "
     "action.",
     0, false, false, {}},
    {"Label7", "ClientArea", {264, 376, 489, 33},
     "WARNING: Make sure the floppy letter is NOT the letter of a hard drive, as the backup function will "
     "completely erase its contents!",
     0, false, false, {}},
    {"BGVornProducts", "ClientArea", {8, 50, 249, 81}, nullptr, 0, false, false, {}},
    {"BGVornProductsPello", "BGVornProducts", {0, 0, 249, 20}, "Pellora", 0, false, false, {}},
    {"BGVornProductsSen", "BGVornProducts", {0, 21, 249, 20}, "Sennet", 0, false, false, {}},
    {"BGVornProductsCorv", "BGVornProducts", {0, 42, 249, 19}, "Corvid", 0, false, false, {}},
    {"BGVornProductsTalm", "BGVornProducts", {0, 62, 249, 19}, "Talmeq", 0, false, false, {}},
    {"RGAction", "ClientArea", {312, 176, 121, 57}, nullptr, 12, false, false, White},
    {"RGLocation", "ClientArea", {440, 176, 121, 57}, nullptr, 12, false, false, White},
    {"EFFloppy", "ClientArea", {711, 184, 26, 23}, nullptr, 0, false, false, {}},
    {"Panel1", "ClientArea", {264, 432, 481, 57}, nullptr, 0, false, false, {}},
    {"LblFile", "Panel1", {8, 4, 466, 15}, "", 0, false, false, {}},
    {"ZpMeter1", "Panel1", {9, 32, 465, 16}, nullptr, 0, false, false, {}},
    {"Panel2", "ClientArea", {8, 240, 241, 359}, nullptr, 0, false, false, {}},
    {"Label9", "Panel2", {8, 8, 0, 0}, "Send Backup File To Support", 12, true, true, {}},
    {"Label12", "Panel2", {8, 32, 225, 57},
     "Backup files may be transmitted via Internet to Tessaro, Inc. in order to help resolve problems.", 0, false,
     false, {}},
    {"Label13", "Panel2", {8, 88, 225, 41}, "You must allow this program to transmit through your firewall.", 0,
     false, false, {}},
    {"Label14", "Panel2", {8, 132, 0, 0}, "Your Name", 12, true, false, {}},
    {"EFName", "Panel2", {8, 154, 225, 23}, nullptr, 0, false, false, {}},
    {"Label15", "Panel2", {8, 184, 225, 57}, "To send, enter your name in the above field. Please enter letters only.",
     0, false, false, {}},
    {"Label16", "Panel2", {8, 240, 225, 49},
     "Then, click on the backup file's link in the \"Backup to Location\" column.", 0, false, false, {}},
    {"LblEmailSupport", "Panel2", {8, 295, 225, 49},
     "Finally, click on this to send an e-mail to Support, telling them the problem.", 12, false, true, Blue},
    {"LBDirList", "ClientArea", {408, -1, 97, 25}, nullptr, 0, false, false, {}},
};

QString TextOf(QWidget* w)
{
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    return {};
}

class MainWindow : public ::testing::Test {
protected:
    TAppMachine machine_;
    TScriptedUi ui_;
    TNullShell shell_;
};

}  // namespace

TEST_F(MainWindow, EveryControlHasItsNameTextGeometryFontAndColour)
{
    TFormBackup form(ui_, shell_, "Z:\\opt\\vorn");
    ASSERT_FALSE(form.StartupFailed);
    EXPECT_EQ(form.windowTitle(), "Tessaro, Inc.'s Vorn Backup");
    EXPECT_EQ(form.font().pixelSize(), 12);
    EXPECT_EQ(QFontInfo(form.font()).family(), QFontInfo(QFont("Courier New")).family());
    EXPECT_TRUE(QFontInfo(form.font()).fixedPitch());

    for (const auto& c : kControls) {
        auto* w = form.findChild<QWidget*>(c.name);
        ASSERT_NE(w, nullptr) << c.name;
        ASSERT_NE(w->parentWidget(), nullptr) << c.name;
        EXPECT_EQ(w->parentWidget()->objectName().toStdString(), c.parent) << c.name;
        if (c.geometry.width() > 0) {
            EXPECT_EQ(w->geometry(), c.geometry) << c.name;
        } else {
            EXPECT_EQ(w->pos(), c.geometry.topLeft()) << c.name;
            EXPECT_GE(w->width(), w->fontMetrics().horizontalAdvance(TextOf(w))) << c.name << ": text cut off";
        }
        if (c.text != nullptr) {
            EXPECT_EQ(TextOf(w).toStdString(), c.text) << c.name;
        }
        EXPECT_EQ(w->font().pixelSize(), c.pixels == 0 ? 12 : c.pixels) << c.name;
        EXPECT_EQ(w->font().bold(), c.bold) << c.name;
        EXPECT_EQ(w->font().underline(), c.underline) << c.name;
        if (c.textColor.isValid()) {
            EXPECT_EQ(w->palette().color(QPalette::WindowText), c.textColor) << c.name;
        }
        if (auto* l = qobject_cast<QLabel*>(w)) {
            EXPECT_EQ(l->textFormat(), Qt::PlainText) << c.name;
            // Single-line texts fit their designed width.
            if (!l->wordWrap() && !l->text().isEmpty()) {
                EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width()) << c.name;
            }
        }
    }

    // Kinds, backgrounds, hints and cursors.
    EXPECT_EQ(form.BGVornProducts->palette().color(QPalette::Window), Blue);
    // Painted, not only set: sample the rendered window.
    const QImage shot = form.grab().toImage();
    const auto at = [&](QWidget* w, QPoint p) { return QColor(shot.pixel(w->mapTo(&form, p))); };
    EXPECT_EQ(at(form.Panel2, {200, 5}), MoneyGreen);
    EXPECT_EQ(at(form.Panel1, {470, 25}), PaleBlue);
    EXPECT_EQ(at(form.BGVornProducts, {100, 20}), Blue);  // the 1 px gap between buttons
    EXPECT_EQ(at(form.RGLocation, {117, 5}), Blue);
    EXPECT_EQ(form.Panel1->palette().color(QPalette::Window), PaleBlue);
    EXPECT_EQ(form.Panel2->palette().color(QPalette::Window), MoneyGreen);
    EXPECT_EQ(form.RGAction->palette().color(QPalette::Window), Blue);
    EXPECT_EQ(form.RGAction->title(), "Action to Take");
    EXPECT_EQ(form.RGAction->Item(0), "Backup");
    EXPECT_EQ(form.RGAction->Item(1), "Restore");
    EXPECT_EQ(form.RGLocation->title(), "Location");
    EXPECT_EQ(form.RGLocation->Item(0), "Floppy Drive");
    EXPECT_EQ(form.RGLocation->Item(1), "Hard Drive");
    EXPECT_EQ(form.ZpMeter1->UsedColor(), Navy);
    EXPECT_FALSE(form.LBDirList->isVisibleTo(&form));
    EXPECT_EQ(form.EFFloppy->maxLength(), 1);
    const char* hints[][2] = {{"BGVornProductsPello", "This will back up Pellora"},
                              {"BGVornProductsSen", "Thei will back up Sennet"},
                              {"BGVornProductsCorv", "This will back up Corvid Lite"},
                              {"BGVornProductsTalm", "Theis will back up the Talmeq"},
                              {"LblPelloLoc", "Click on this to upload backup file to Support"},
                              {"LblTALMLoc", "Click on this to upload backup file to Support"}};
    for (const auto& [name, hint] : hints)
        EXPECT_EQ(form.findChild<QWidget*>(name)->toolTip().toStdString(), hint) << name;
    for (const char* name : {"BGVornProductsPello", "BGVornProductsTalm", "LblPelloLoc", "LblSENLoc", "LblCORVLoc",
                             "LblTALMLoc", "LblEmailSupport"})
        EXPECT_EQ(form.findChild<QWidget*>(name)->cursor().shape(), Qt::PointingHandCursor) << name;

    // The menu.
    EXPECT_EQ(form.File1->title(), "&File");
    EXPECT_EQ(form.CheckWebsiteForNewVersion1->text(), "Check Website For New Version");
    EXPECT_TRUE(form.N1->isSeparator());
    EXPECT_EQ(form.Exit1->text(), "E&xit");
    EXPECT_EQ(form.Exit1->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
    EXPECT_EQ(form.Help1->title(), "Help");
    EXPECT_EQ(form.Help2->text(), "Help");
    EXPECT_EQ(form.Help2->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(form.About1->text(), "About");

    // Tab order: products, action, location, letter, then the support panel.
    std::vector<std::string> order;
    QWidget* w = form.BGVornProductsPello;
    for (int i = 0; i < 11; ++i, w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            order.push_back(w->objectName().toStdString());
    ASSERT_GE(order.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + 4),
              (std::vector<std::string>{"BGVornProductsPello", "BGVornProductsSen", "BGVornProductsCorv",
                                        "BGVornProductsTalm"}));
}

TEST_F(MainWindow, LocationLabelsReachEightPixelsShortOfTheRightEdgeAndShowAmpersands)
{
    SqlExec(machine_.PathTable(), "INSERT INTO Path VALUES ('PELLO-B','C:\\R&D\\Backups','12/11/2026 10:00:00')");
    TFormBackup form(ui_, shell_, "Z:\\opt\\vorn");
    form.resize(1280, 800);
    form.show();
    QApplication::processEvents();
    form.Activate();
    EXPECT_TRUE(ui_.Boxes().empty());
    const int clientWidth = form.Client()->width();
    ASSERT_GT(clientWidth, 0);
    for (const char* name : {"LblPelloLoc", "LblSENLoc", "LblCORVLoc", "LblTALMLoc"}) {
        auto* l = form.findChild<QLabel*>(name);
        EXPECT_EQ(l->x() + l->width(), clientWidth - 8) << name;
    }
    EXPECT_EQ(form.LblPelloLoc->text(), "C:\\R&D\\Backups");
    EXPECT_EQ(form.LblPelloBkup->text(), "12/11/2026 10:00:00");
    // Drawn literally: the rendering equals a label showing "R&&D" with
    // mnemonics on would not; compare with plain text drawn by hand.
    QImage shown(form.LblPelloLoc->size(), QImage::Format_ARGB32);
    form.LblPelloLoc->render(&shown);
    QLabel reference;
    reference.setTextFormat(Qt::PlainText);
    reference.setFont(form.LblPelloLoc->font());
    reference.setPalette(form.LblPelloLoc->palette());
    reference.setAlignment(form.LblPelloLoc->alignment());
    reference.setText("C:\\R&D\\Backups");
    reference.resize(form.LblPelloLoc->size());
    QImage expected(reference.size(), QImage::Format_ARGB32);
    reference.render(&expected);
    QLabel withoutAmp;
    withoutAmp.setFont(reference.font());
    withoutAmp.setText("C:\\RD\\Backups");
    EXPECT_GT(form.LblPelloLoc->fontMetrics().horizontalAdvance(form.LblPelloLoc->text()),
              withoutAmp.fontMetrics().horizontalAdvance(withoutAmp.text()));
    EXPECT_EQ(shown, expected);
}

TEST_F(MainWindow, AltXClosesTheWindowAndF1OpensTheHelp)
{
    TFormBackup form(ui_, shell_, "Z:\\opt\\vorn");
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_F1);
    ASSERT_FALSE(ui_.Events().empty());
    EXPECT_EQ(ui_.Events().back().Kind, TScriptedUi::evHelp);
    EXPECT_EQ(ui_.Events().back().Context, 10);
    EXPECT_TRUE(form.isVisible());
    QTest::keyClick(&form, Qt::Key_X, Qt::AltModifier);
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.PathTab.Active());  // closing closes the tables
}

TEST(QtUi, FileDialogFiltersBecomeQtNameFilters)
{
    EXPECT_EQ(QtFileFilter("Program Files|*.exe"), "Program Files (*.exe)");
    EXPECT_EQ(QtFileFilter("Backup Files|*.zip|All|*.*"), "Backup Files (*.zip);;All (*.*)");
    EXPECT_EQ(QtFileFilter("Data|*.adt;*.adi"), "Data (*.adt *.adi)");
    EXPECT_EQ(QtFileFilter(""), "");
    EXPECT_EQ(QtFileFilter("Dangling"), "");  // a description without a mask is dropped
}
