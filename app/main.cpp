// Program start: the application and its title, the main window (whose
// creation may end the program), one hidden About window, then the message
// loop.
#include <QApplication>

#include "app/Bkup01.h"
#include "app/Bkup01About.h"
#include "app/CommRout.h"
#include "app/HelpWindow.h"
#include "app/QtShell.h"
#include "app/QtUi.h"
#include "platform/FileName.h"
#include "platform/WinPath.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tessaro, Inc. Vorn Backup");
    QApplication::setWindowIcon(VornIcon());

    TQtUi ui;
    TQtShell shell;
    std::string exeDir;
    try {
        exeDir = ExcludeTrailingBackslash(WindowsPathOf(QCoreApplication::applicationDirPath().toStdString()));
    } catch (const std::exception&) {
        // No usable machine: the window's creation says so.
    }
    TFormBackup form(ui, shell, exeDir);
    ui.SetWindow(&form);
    if (form.StartupFailed)
        return 1;

    TAboutOptions about;
    about.WebSiteHost = form.WebSite;
    about.OpenWebSite = [&](QWidget*, const std::string& host) {
        LaunchProgram(shell, ui, host, "", SW_SHOWMAXIMIZED, form.ExeDir);
    };
    TFormAbout hiddenAbout(nullptr, about);
    form.ShowAbout = [&] { ShowAbout(&form, about); };
    ui.HelpViewer = [&](const std::string& helpFile, int context) {
        const auto host = HostPathOf(helpFile);
        ShowHelpTopic(&form, host.value_or(helpFile), context,
                      [&](QWidget*, const std::string& text) { ui.ShowError(text); });
    };

    form.showMaximized();
    return QApplication::exec();
}
