// The user-interface port over real Qt widgets: message boxes, file
// dialogs (Windows paths shown as the host folders they map to), the
// application cursor, label repaints and message processing.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

#include "platform/UiPort.h"

class TQtUi : public TUiPort {
public:
    // The window whose labels RepaintLabel finds by name, and the parent
    // of boxes and dialogs.
    void SetWindow(QWidget* window) { window_ = window; }

    TModalResult MessageDlg(std::string_view text, TMsgDlgType type, TMsgDlgButtons buttons) override;
    bool Execute(TFileDialog& dialog) override;
    void SetCursor(TCursor cursor) override;
    void RepaintLabel(std::string_view name, std::string_view text) override;
    void ProcessMessages() override;
    void ShowHelp(std::string_view helpFile, int context) override;
    void Terminate() override;

    // Shows a help topic; set by the program when a help window exists.
    std::function<void(const std::string& helpFile, int context)> HelpViewer;
    bool Terminated() const { return terminated_; }

private:
    QPointer<QWidget> window_;
    bool cursorSet_ = false;
    bool terminated_ = false;
};

// "Program Files|*.exe|All|*.*" -> "Program Files (*.exe);;All (*.*)"
QString QtFileFilter(const std::string& filter);
