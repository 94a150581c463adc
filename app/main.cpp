// Program start: the application and its title, the main window (whose
// creation may end the program), then the message loop.
#include <QApplication>

#include "app/Bkup01.h"
#include "app/QtShell.h"
#include "app/QtUi.h"
#include "platform/FileName.h"
#include "platform/WinPath.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tessaro, Inc. Vorn Backup");

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
    form.showMaximized();
    return QApplication::exec();
}
