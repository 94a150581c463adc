// The shell layer: opening a document, mailto link or web address with its
// default action. The application holds a TShell; the Qt build passes one
// that hands the target to the desktop (xdg-open through Qt), tests pass a
// recording one.
#pragma once

#include <string>
#include <string_view>

// Show commands of the open call.
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOW = 5;

class TShell {
public:
    virtual ~TShell() = default;
    // Asks the shell to open target with its default action. The result
    // says whether the request was passed on, not whether a program opened.
    virtual bool ShellOpen(std::string_view target, std::string_view parameters, std::string_view workingDir,
                           int showCmd) = 0;
};

// What the desktop is given for a target: the quotes around a quoted target
// removed, and "http://" put before a web address written without a scheme
// ("host.example/page.php"). Other targets pass unchanged.
std::string ShellTargetUrl(std::string_view target);
