#include "app/Program.h"

#include <QApplication>

#include "app/CommRout.h"
#include "app/HelpWindow.h"
#include "platform/FileName.h"
#include "platform/WinPath.h"

bool TProgram::Start()
{
    QApplication::setApplicationName("Tessaro, Inc. Vorn Backup");
    QApplication::setWindowIcon(VornIcon());
    std::string exeDir;
    try {
        exeDir = ExcludeTrailingBackslash(WindowsPathOf(QCoreApplication::applicationDirPath().toStdString()));
    } catch (const std::exception&) {
        // No usable machine: the window's creation says so.
    }
    form_ = std::make_unique<TFormBackup>(ui_, shell_, exeDir);
    ui_.SetWindow(form_.get());
    if (form_->StartupFailed)
        return false;

    TFormBackup& form = *form_;
    about_.WebSiteHost = form.WebSite;
    about_.OpenWebSite = [this, &form](QWidget*, const std::string& host) {
        LaunchProgram(shell_, ui_, host, "", SW_SHOWMAXIMIZED, form.ExeDir);
    };
    hiddenAbout_ = std::make_unique<TFormAbout>(nullptr, about_);
    form.ShowAbout = [this, &form] { ShowAbout(&form, about_); };
    ui_.HelpViewer = [this, &form](const std::string& helpFile, int context) {
        const auto host = HostPathOf(helpFile);
        ShowHelpTopic(&form, host.value_or(helpFile), context,
                      [this](QWidget*, const std::string& text) { ui_.ShowError(text); });
    };
    return true;
}
