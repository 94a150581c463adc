// Start-up, discovery and the main window's handlers, driven through the
// scripted user-interface port on a small emulated machine.
#include <gtest/gtest.h>

#include <QLineEdit>

#include <string>
#include <vector>

#include "app/Bkup01.h"
#include "app/Settings.h"
#include "platform/FileSystem.h"
#include "platform/ScriptedUi.h"
#include "tests/support/TempMachine.h"
#include "tests/app/AppMachine.h"

namespace {

struct TShellCall {
    std::string Target, Parameters, WorkingDir;
    int ShowCmd;
};

class TRecordingShell : public TShell {
public:
    bool ShellOpen(std::string_view target, std::string_view parameters, std::string_view workingDir,
                   int showCmd) override
    {
        Calls.push_back({std::string(target), std::string(parameters), std::string(workingDir), showCmd});
        return true;
    }
    std::vector<TShellCall> Calls;
};

// The window with the backup action replaced by a recorder.
class TTestForm : public TFormBackup {
public:
    using TFormBackup::TFormBackup;
    void BackRest(std::string_view code, TProductButton* sender) override
    {
        BackRestCalls.push_back(std::string(code));
        EXPECT_EQ(sender, ProductButton(code));
    }
    std::vector<std::string> BackRestCalls;
};

const char* kExeDir = "Z:\\opt\\vorn";

TAppMachine::TOptions Options(void (*set)(TAppMachine::TOptions&))
{
    TAppMachine::TOptions o;
    set(o);
    return o;
}

// The four products installed as a new user's machine has them: Pellora in
// its current folder, Sennet in its older one, Corvid nowhere, Talmeq in
// its current folder with a connection file naming a separate data folder.
void InstallDemo(const TAppMachine& m)
{
    m.WriteC("Program Files/TessaroInc/Pellora/PELLORCD.EXE");
    m.WriteC("Program Files/Sennet/sennetrk.exe");
    m.WriteC("Program Files/TessaroInc/TalmTracker/talmeqex.exe");
    m.WriteC("Program Files/TessaroInc/TalmTracker/TALMConnect.ini", "[Connect]\nDataDir=C:\\TalmData\n");
}

std::string ColorName(const TProductButton* b)
{
    if (b->Color() == VornColors::Green)
        return "green";
    if (b->Color() == VornColors::Red)
        return "red";
    return b->Color().name().toStdString();
}

}  // namespace

TEST(Startup, FailuresShowTheirMessageAndEndTheProgramWithoutTouchingTheTables)
{
    struct Case {
        const char* what;
        TAppMachine::TOptions options;
        std::string expected;
    };
    const Case cases[] = {
        {"no registry key", Options([](TAppMachine::TOptions& o) { o.RegistryKey = false; }), "Missing registry entries. Please uninstall and reinstall product."},
        {"no Path.ADT", Options([](TAppMachine::TOptions& o) { o.PathTable = false; }),
         "Database file \"Path.ADT\" cannot be found in directory \"C:\\VornData\"."},
        {"no Defaults.ADT", Options([](TAppMachine::TOptions& o) { o.DefaultsTable = false; }),
         "Database file \"Defaults.ADT\" cannot be found in directory \"C:\\VornData\"."},
        {"DataDir names a missing folder", Options([](TAppMachine::TOptions& o) { o.DataDir = "C:\\Gone"; }),
         "Database file \"Path.ADT\" cannot be found in directory \"C:\\Gone\"."},
        {"DataDir on a drive without root", Options([](TAppMachine::TOptions& o) { o.DataDir = "Q:\\Data"; }),
         "Database file \"Path.ADT\" cannot be found in directory \"Q:\\Data\"."},
        {"empty DataDir", Options([](TAppMachine::TOptions& o) { o.DataDir = ""; }), "Database file \"Path.ADT\" cannot be found in directory \"\"."},
    };
    for (const auto& c : cases) {
        TAppMachine m(c.options);
        const std::string before = std::filesystem::exists(m.PathTable()) ? m.PathRecords() : "";
        TScriptedUi ui;
        TRecordingShell shell;
        TTestForm form(ui, shell, kExeDir);
        EXPECT_EQ(ui.Boxes(), std::vector<std::string>{"error: " + c.expected}) << c.what;
        EXPECT_TRUE(form.StartupFailed) << c.what;
        EXPECT_TRUE(ui.Terminated()) << c.what;
        form.Activate();  // no first-activation work after a failure
        EXPECT_EQ(ui.Boxes().size(), 1u) << c.what;
        if (std::filesystem::exists(m.PathTable())) {
            EXPECT_EQ(m.PathRecords(), before) << c.what;
        }
    }
}

TEST(Startup, UnusableMachineOrTablesEndTheProgramWithTheReason)
{
    struct Case {
        const char* what;
        std::function<void(TAppMachine&)> damage;
        std::string expectedStart;
    };
    const Case cases[] = {
        {"registry.ini with garbage", [](TAppMachine& m) { m.Write("registry.ini", "\x01\x02 garbage\n[unclosed\n"); },
         "registry.ini"},
        {"Path.ADT not a database", [](TAppMachine& m) { m.Write("drives/C/VornData/Path.ADT", std::string(3000, 'z')); },
         "PathTab: file is not a database"},
        {"drives.ini with garbage", [](TAppMachine& m) { m.Write("drives.ini", "[C:]\npath=drives/C\ntype=floppy-ish\n"); },
         "drives.ini"},
        {"machine folder missing", [](TAppMachine& m) { TMachine::Use((m.Root() / "nothing-here").string()); },
         "nothing-here"},
        {"Defaults.ADT empty file", [](TAppMachine& m) { m.Write("drives/C/VornData/Defaults.ADT", ""); },
         "Defaults: no table in Defaults.ADT"},
    };
    for (const auto& c : cases) {
        TAppMachine m;
        TMachine::Reload();
        c.damage(m);
        TScriptedUi ui;
        TRecordingShell shell;
        TTestForm form(ui, shell, kExeDir);
        ASSERT_EQ(ui.Boxes().size(), 1u) << c.what;
        EXPECT_NE(ui.Boxes()[0].find(c.expectedStart), std::string::npos) << c.what << ": " << ui.Boxes()[0];
        EXPECT_TRUE(form.StartupFailed && ui.Terminated()) << c.what;
    }
}

TEST(Startup, ATableLockedByAnotherProcessEndsTheStartWithTheEngineText)
{
    TAppMachine m;
    HeldLock lock(m.PathTable());
    TScriptedUi ui;
    TRecordingShell shell;
    TTestForm form(ui, shell, kExeDir);
    EXPECT_EQ(ui.Boxes(), std::vector<std::string>{"error: PathTab: database is locked"});
    EXPECT_TRUE(form.StartupFailed);
}

TEST(Startup, FirstStartCreatesTheRecordsAndDiscoversEachProduct)
{
    TAppMachine m;
    InstallDemo(m);
    TScriptedUi ui;
    TRecordingShell shell;
    {
        TTestForm form(ui, shell, kExeDir);
        ASSERT_FALSE(form.StartupFailed) << (ui.Boxes().empty() ? "" : ui.Boxes()[0]);
        form.Activate();
        EXPECT_TRUE(ui.Boxes().empty()) << ui.Boxes()[0];
        EXPECT_FALSE(form.FirstActivation);

        EXPECT_EQ(m.PathRecords(),
                  "$LOC|1|\n"
                  "$NAME||\n"
                  // found where the record says
                  "PELLO|c:\\program files\\tessaroinc\\pellora|pellorcd.exe\n"
                  "PELLO-B|c:\\program files\\tessaroinc\\pellora|\n"
                  // found in the older folder: the record moves there
                  "SEN|c:\\program files\\sennet|sennetrk.exe\n"
                  "SEN-B|c:\\program files\\sennet|\n"
                  // found nowhere
                  "CORV|c:\\program files\\tessaroinc\\corvidlite|corvid.exe\n"
                  "CORV-B|c:\\|\n"
                  // the connection file names the data folder
                  "TALM|c:\\program files\\tessaroinc\\talmtracker|talmeqex.exe\n"
                  "TALM-B|C:\\TalmData|\n");
        EXPECT_EQ(SqlQuery(m.DefaultsTable(), "SELECT DeFloppy FROM Defaults"), "A\n");

        const std::vector<std::pair<const char*, const char*>> expected = {
            {"PELLO", "green"}, {"SEN", "green"}, {"CORV", "red"}, {"TALM", "green"}};
        for (const auto& [code, colour] : expected) {
            EXPECT_EQ(ColorName(form.ProductButton(code)), colour) << code;
            EXPECT_EQ(form.ProductButton(code)->FontColor(), VornColors::White) << code;
            EXPECT_EQ(form.BkupLabel(code)->text().toStdString(), "") << code;
        }
        EXPECT_EQ(form.LocLabel("TALM")->text().toStdString(), "C:\\TalmData");
        EXPECT_EQ(form.LocLabel("CORV")->text().toStdString(), "c:\\");
        EXPECT_EQ(form.EFFloppy->text().toStdString(), "A");
        EXPECT_EQ(form.RGAction->ItemIndex(), 0);
        EXPECT_EQ(form.RGLocation->ItemIndex(), 1);

        // Later activations do nothing, even when the machine changed.
        m.WriteC("Program Files/Corvid/corvid.exe");
        form.Activate();
        form.FormActivate();
        EXPECT_EQ(ColorName(form.ProductButton("CORV")), "red");
    }
    // A second start with nothing moved leaves every value as it was.
    std::filesystem::remove(m.Root() / "drives/C/Program Files/Corvid/corvid.exe");
    const std::string before = m.PathRecords();
    TTestForm again(ui, shell, kExeDir);
    again.Activate();
    EXPECT_EQ(m.PathRecords(), before);
    EXPECT_EQ(ColorName(again.ProductButton("SEN")), "green");
}

TEST(Startup, StoredRecordsDecideWhereProductsAreLookedFor)
{
    TAppMachine m;
    // A folder chosen earlier no longer holds Pellora; it is back in its
    // current default folder. Sennet's record names a folder that holds it.
    m.WriteC("Program Files/TessaroInc/Pellora/pellorcd.exe");
    m.WriteC("Apps/Sen/sennetrk.exe");
    m.WriteC("Apps/Sen/SENConnect.ini", "\x01\xff garbage [[[\nDataDir\n=\n");  // unreadable: ignored
    SqlExec(m.PathTable(), "INSERT INTO Path VALUES ('PELLO','C:\\Old\\Place','pellorcd.exe'),"
                           "('SEN','c:\\apps\\sen','sennetrk.exe'),('SEN-B','D:\\Backups','12/01/2026 09:15:00')");
    TScriptedUi ui;
    TRecordingShell shell;
    TTestForm form(ui, shell, kExeDir);
    form.Activate();
    EXPECT_TRUE(ui.Boxes().empty());
    EXPECT_EQ(ColorName(form.ProductButton("PELLO")), "green");
    EXPECT_EQ(m.PathField("PELLO", "PfPath"), "c:\\program files\\tessaroinc\\pellora");
    EXPECT_EQ(ColorName(form.ProductButton("SEN")), "green");
    EXPECT_EQ(m.PathField("SEN", "PfPath"), "c:\\apps\\sen");
    // An existing backup record is shown and left alone.
    EXPECT_EQ(form.BkupLabel("SEN")->text().toStdString(), "12/01/2026 09:15:00");
    EXPECT_EQ(form.LocLabel("SEN")->text().toStdString(), "D:\\Backups");
    EXPECT_EQ(m.PathField("PELLO-B", "PfPath"), "c:\\program files\\tessaroinc\\pellora");
}

TEST(Startup, StoredLocationAndFloppyLetterAreShownAndRepaired)
{
    struct Case {
        const char* loc;
        const char* floppy;  // nullptr: no Defaults record
        int index;           // -2: conversion error
        const char* shownLetter;
    };
    const Case cases[] = {
        {"0", nullptr, 0, "A"}, {"1", "", 1, "A"}, {"0", "1", 0, "A"},  {"1", "a", 1, "A"},
        {"1", "B", 1, "B"},     {"7", "Z", 1, "Z"}, {"x", "C", -2, "C"}, {"", "C", -2, "C"},
    };
    for (const auto& c : cases) {
        const std::string what = std::string("$LOC '") + c.loc + "', floppy '" + (c.floppy ? c.floppy : "(none)") + "'";
        TAppMachine m;
        SqlExec(m.PathTable(), std::string("INSERT INTO Path VALUES ('$LOC','") + c.loc + "','')");
        if (c.floppy != nullptr)
            SqlExec(m.DefaultsTable(), std::string("INSERT INTO Defaults VALUES ('") + c.floppy + "')");
        TScriptedUi ui;
        TRecordingShell shell;
        TTestForm form(ui, shell, kExeDir);
        form.Activate();
        EXPECT_EQ(form.EFFloppy->text().toStdString(), c.shownLetter) << what;
        EXPECT_EQ(SqlQuery(m.DefaultsTable(), "SELECT DeFloppy FROM Defaults"), std::string(c.shownLetter) + "\n")
            << what;
        if (c.index == -2) {
            EXPECT_EQ(ui.Boxes(), std::vector<std::string>{"error: '" + std::string(c.loc) +
                                                           "' is not a valid integer value"})
                << what;
            EXPECT_TRUE(form.FirstActivation) << what;
            EXPECT_EQ(m.PathField("PELLO", "PfPath"), "") << what << ": discovery ran";
            // The activation the closing box causes is not a retry; a later
            // one is, and fails the same way.
            form.Activate();
            EXPECT_EQ(ui.Boxes().size(), 1u) << what;
            form.Activate();
            EXPECT_EQ(ui.Boxes().size(), 2u) << what;
        } else {
            EXPECT_TRUE(ui.Boxes().empty()) << what;
            EXPECT_EQ(form.RGLocation->ItemIndex(), c.index) << what;
            EXPECT_FALSE(form.FirstActivation) << what;
        }
    }
}

TEST(Handlers, ProductButtonsLocateRedProductsAndPassGreenOnesOn)
{
    TAppMachine m;
    InstallDemo(m);
    m.WriteC("Elsewhere/Corvid/CORVID.EXE");
    m.WriteC("Wrong/other.exe");
    TScriptedUi ui;
    TRecordingShell shell;
    TTestForm form(ui, shell, kExeDir);
    form.Activate();
    ASSERT_EQ(ColorName(form.BGVornProductsCorv), "red");

    // Cancelled, then a folder without the program: nothing, no message.
    ui.AnswerDialog(std::nullopt);
    ui.AnswerDialog("C:\\Wrong\\other.exe");
    form.BGVornProductsCorv->click();
    form.BGVornProductsCorv->click();
    EXPECT_EQ(ColorName(form.BGVornProductsCorv), "red");
    EXPECT_TRUE(ui.Boxes().empty());
    EXPECT_EQ(m.PathField("CORV", "PfPath"), "c:\\program files\\tessaroinc\\corvidlite");

    ui.AnswerDialog("C:\\Elsewhere\\Corvid\\anything.exe");
    form.BGVornProductsCorv->click();
    EXPECT_EQ(ColorName(form.BGVornProductsCorv), "green");
    EXPECT_EQ(m.PathField("CORV", "PfPath"), "C:\\Elsewhere\\Corvid");
    EXPECT_EQ(m.PathField("CORV", "PfFileName"), "corvid.exe");
    EXPECT_EQ(m.PathField("CORV-B", "PfPath"), "c:\\");  // the backup record is not touched
    const auto& dialog = ui.Events().back().Dialog;
    EXPECT_EQ(dialog.Name, "SaveDialog1");
    EXPECT_EQ(dialog.DefaultExt, "exe");
    EXPECT_EQ(dialog.FileName, "corvid.exe");
    EXPECT_EQ(dialog.InitialDir, "c:\\");
    EXPECT_EQ(dialog.Filter, "Program Files|*.exe");

    // Green buttons reach the backup action with their code.
    form.BGVornProductsPello->click();
    form.BGVornProductsCorv->click();
    form.BGVornProductsTalm->click();
    EXPECT_EQ(form.BackRestCalls, (std::vector<std::string>{"PELLO", "CORV", "TALM"}));

    // A product whose record has gone from the table.
    SqlExec(m.PathTable(), "DELETE FROM Path WHERE PfProduct='SEN'");
    form.BGVornProductsSen->SetColor(VornColors::Red);
    form.BGVornProductsSen->click();
    EXPECT_EQ(ui.Boxes(), std::vector<std::string>{"error: Cannot find product in table. Contact support."});
    EXPECT_EQ(ui.UnusedAnswers(), 0u);
}

TEST(Handlers, ChoicesAndNameAreRemembered)
{
    TAppMachine m;
    TScriptedUi ui;
    TRecordingShell shell;
    TTestForm form(ui, shell, kExeDir);
    form.Activate();
    form.RGLocation->Button(0)->click();
    EXPECT_EQ(m.PathField("$LOC", "PfPath"), "0");
    form.RGLocation->Button(1)->click();
    EXPECT_EQ(m.PathField("$LOC", "PfPath"), "1");
    form.EFName->setText("Jean-Luc");
    EXPECT_EQ(m.PathField("$NAME", "PfPath"), "Jean-Luc");
    form.EFFloppy->setText("");  // emptied: back to "A"
    EXPECT_EQ(form.EFFloppy->text().toStdString(), "A");
    form.EFFloppy->setText("B");
    EXPECT_EQ(SqlQuery(m.DefaultsTable(), "SELECT DeFloppy FROM Defaults"), "B\n");
    EXPECT_TRUE(ui.Boxes().empty());

    // A store refused by a locked table: the engine's text, the program goes on.
    {
        HeldLock lock(m.DefaultsTable());
        form.EFFloppy->setText("C");
    }
    EXPECT_EQ(ui.Boxes(), std::vector<std::string>{"error: Defaults: database is locked"});
    form.EFFloppy->setText("D");
    EXPECT_EQ(SqlQuery(m.DefaultsTable(), "SELECT DeFloppy FROM Defaults"), "D\n");
}

TEST(Handlers, SupportMailVersionCheckAndHelpGoThroughThePorts)
{
    TAppMachine m(Options([](TAppMachine::TOptions& o) { o.ExtraValues = "WebSite=127.0.0.1:8080\nSupportEmail=help@vorn.example\n"; }));
    TScriptedUi ui;
    TRecordingShell shell;
    TTestForm form(ui, shell, kExeDir);
    form.Activate();

    form.LblEmailSupportClick();
    EXPECT_EQ(ui.Boxes(), std::vector<std::string>{"error: No file has been uploaded."});
    EXPECT_TRUE(shell.Calls.empty());

    form.UploadedFileName = "JeanLuc-pello.zip";
    form.EFName->setText("Jean-Luc");
    form.LblEmailSupportClick();
    ASSERT_EQ(shell.Calls.size(), 1u);
    EXPECT_EQ(shell.Calls[0].Target,
              "\"mailto:help@vorn.example?subject=Backup File Upload JeanLuc-pello.zip&body=Name: Jean-Luc%0A%0D"
              "File Name: JeanLuc-pello.zip%0A%0D%0A%0DPlease provide the details about the problem after this "
              "line:%0A%0D\"");
    EXPECT_EQ(shell.Calls[0].ShowCmd, 5);
    EXPECT_EQ(shell.Calls[0].WorkingDir, "");
    EXPECT_EQ(shell.Calls[0].Parameters, "");

    form.CheckWebsiteForNewVersion1->trigger();
    ASSERT_EQ(shell.Calls.size(), 2u);
    EXPECT_EQ(shell.Calls[1].Target, "127.0.0.1:8080/etc2/p_backup.php");
    EXPECT_EQ(shell.Calls[1].ShowCmd, 3);
    EXPECT_EQ(shell.Calls[1].WorkingDir, kExeDir);

    form.Help2->trigger();
    ASSERT_EQ(ui.Events().back().Kind, TScriptedUi::evHelp);
    EXPECT_EQ(ui.Events().back().Text, std::string(kExeDir) + "\\VornBack.hlp");
    EXPECT_EQ(ui.Events().back().Context, 10);

    bool aboutShown = false;
    form.ShowAbout = [&] { aboutShown = true; };
    form.About1->trigger();
    EXPECT_TRUE(aboutShown);
}

TEST(Startup, TheInstallersDemoMachineShowsBothStates)
{
    TTempMachine demo(TTempMachine::tmDemo);
    const std::string table = demo.HostPath(demo.DataDir() + "\\Path.ADT");
    TScriptedUi ui;
    TRecordingShell shell;
    TTestForm form(ui, shell, kExeDir);
    ASSERT_FALSE(form.StartupFailed) << (ui.Boxes().empty() ? "" : ui.Boxes()[0]);
    form.Activate();
    EXPECT_TRUE(ui.Boxes().empty()) << ui.Boxes()[0];

    int green = 0;
    for (const auto& product : ProductList) {
        const std::string code(product.Code);
        const std::string colour = ColorName(form.ProductButton(code));
        const std::string stored = SqlQuery(table, "SELECT PfPath FROM Path WHERE PfProduct='" + code + "'");
        if (colour == "green") {
            ++green;
            // The record names the folder the product was found in.
            const std::string folder = stored.substr(0, stored.size() - 1);
            EXPECT_TRUE(FileExists(folder + "\\" + std::string(product.ProgramFile))) << code;
        } else {
            EXPECT_EQ(colour, "red") << code;
            EXPECT_EQ(form.LocLabel(code)->text().toStdString(), "c:\\") << code;
        }
    }
    EXPECT_EQ(green, 3);
    // One product was found in its older default folder and moved there.
    int older = 0;
    for (const auto& product : ProductList)
        older += SqlQuery(table, "SELECT PfPath FROM Path WHERE PfProduct='" + std::string(product.Code) + "'") ==
                 std::string(product.OlderDir) + "\n";
    EXPECT_EQ(older, 1);
}
