// The running program: the ports, the main window and its About and help
// hooks, as the program start sets them up.
#pragma once

#include <memory>

#include "app/Bkup01.h"
#include "app/Bkup01About.h"
#include "app/QtShell.h"
#include "app/QtUi.h"

class TProgram {
public:
    // Creates the main window (running its creation work) and, when that
    // succeeds, the hidden About window. False: the start failed and the
    // program ends.
    bool Start();
    TFormBackup& Form() { return *form_; }
    TQtUi& Ui() { return ui_; }
    const TAboutOptions& About() const { return about_; }

private:
    TQtUi ui_;
    TQtShell shell_;
    std::unique_ptr<TFormBackup> form_;
    TAboutOptions about_;
    std::unique_ptr<TFormAbout> hiddenAbout_;
};
