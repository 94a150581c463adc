#include "app/QtShell.h"

#include <QDesktopServices>
#include <QUrl>

#include "app/QtText.h"
#include "platform/WinPath.h"

bool TQtShell::ShellOpen(std::string_view target, std::string_view, std::string_view, int)
{
    const std::string url = ShellTargetUrl(target);
    QUrl qurl(Q(url), QUrl::TolerantMode);
    if (qurl.scheme().size() <= 1) {
        // No scheme (or a drive letter): a file by its Windows path.
        const auto host = HostPathOf(url);
        if (!host)
            return false;
        qurl = QUrl::fromLocalFile(QString::fromStdString(*host));
    }
    return QDesktopServices::openUrl(qurl);
}
