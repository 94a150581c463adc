#include "app/QtUi.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>

#include "app/QtText.h"
#include "platform/FileName.h"
#include "platform/WinPath.h"

QString QtFileFilter(const std::string& filter)
{
    const QStringList parts = Q(filter).split('|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
    return out.join(";;");
}

TModalResult TQtUi::MessageDlg(std::string_view text, TMsgDlgType type, TMsgDlgButtons buttons)
{
    static const struct {
        TMsgDlgBtn Button;
        QMessageBox::StandardButton Qt;
        TModalResult Result;
    } kButtons[] = {{mbYes, QMessageBox::Yes, mrYes},       {mbNo, QMessageBox::No, mrNo},
                    {mbOK, QMessageBox::Ok, mrOk},          {mbCancel, QMessageBox::Cancel, mrCancel},
                    {mbAbort, QMessageBox::Abort, mrAbort}, {mbRetry, QMessageBox::Retry, mrRetry},
                    {mbIgnore, QMessageBox::Ignore, mrIgnore}};
    QMessageBox box(window_);
    switch (type) {
    case mtWarning: box.setIcon(QMessageBox::Warning); box.setWindowTitle("Warning"); break;
    case mtError: box.setIcon(QMessageBox::Critical); box.setWindowTitle("Error"); break;
    case mtInformation: box.setIcon(QMessageBox::Information); box.setWindowTitle("Information"); break;
    case mtConfirmation: box.setIcon(QMessageBox::Question); box.setWindowTitle("Confirm"); break;
    case mtCustom: box.setWindowTitle(QApplication::applicationName()); break;
    }
    box.setTextFormat(Qt::PlainText);
    box.setText(Q(text));
    QMessageBox::StandardButtons set;
    for (const auto& b : kButtons)
        if (buttons.Contains(b.Button))
            set |= b.Qt;
    box.setStandardButtons(set == QMessageBox::NoButton ? QMessageBox::Ok : set);
    // While a long action shows the hourglass, a box still gets the arrow.
    const bool busy = cursorSet_;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int chosen = box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
    for (const auto& b : kButtons)
        if (chosen == b.Qt)
            return b.Result;
    return buttons.Contains(mbCancel) ? mrCancel : mrNone;
}

bool TQtUi::Execute(TFileDialog& dialog)
{
    QFileDialog box(window_);
    box.setAcceptMode(dialog.Kind == fdSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    box.setFileMode(dialog.Kind == fdSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    box.setNameFilter(QtFileFilter(dialog.Filter));
    if (!dialog.Title.empty())
        box.setWindowTitle(Q(dialog.Title));
    if (!dialog.DefaultExt.empty())
        box.setDefaultSuffix(Q(dialog.DefaultExt));
    std::string start = dialog.InitialDir;
    if (!ExtractFilePath(dialog.FileName).empty())
        start = ExtractFilePath(dialog.FileName);
    if (const auto host = HostPathOf(start.empty() ? std::string(".") : start))
        box.setDirectory(Q(*host));
    box.selectFile(Q(ExtractFileName(dialog.FileName)));
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
        return false;
    const std::string windowsName = WindowsPathOf(box.selectedFiles().front().toStdString());
    if (windowsName.empty())
        return false;
    dialog.FileName = windowsName;
    return true;
}

void TQtUi::SetCursor(TCursor cursor)
{
    if (cursor == crHourGlass && !cursorSet_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        cursorSet_ = true;
    } else if (cursor == crDefault && cursorSet_) {
        QApplication::restoreOverrideCursor();
        cursorSet_ = false;
    }
}

void TQtUi::RepaintLabel(std::string_view name, std::string_view)
{
    if (!window_)
        return;
    if (auto* label = window_->findChild<QLabel*>(Q(name)))
        label->repaint();
}

void TQtUi::ProcessMessages()
{
    QCoreApplication::processEvents();
}

void TQtUi::ShowHelp(std::string_view helpFile, int context)
{
    if (HelpViewer)
        HelpViewer(std::string(helpFile), context);
}

void TQtUi::Terminate()
{
    terminated_ = true;
    // Queued, so it also ends a message loop that has not started yet.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}
