// The shell layer on the desktop: targets go to the default handler
// (xdg-open) through Qt; a Windows file path goes as the host file.
#pragma once

#include "platform/Shell.h"

class TQtShell : public TShell {
public:
    bool ShellOpen(std::string_view target, std::string_view parameters, std::string_view workingDir,
                   int showCmd) override;
};
