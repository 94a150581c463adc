#pragma once
// The help window: shows one topic of the help file at a time, follows links
// between topics, and goes back to the contents or the previous topic.

#include "HelpFile.h"

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTextBrowser;

// How the help shows an error; the main window points this at its
// user-interface port. Empty: a Qt error message box.
using THelpErrorBox = std::function<void(QWidget* parent, const std::string& text)>;

inline constexpr const char* kHelpFileName = "VornBack.hlp";
inline constexpr int32_t kHelpContentsContext = 10;

class THelpWindow : public QWidget {
public:
    THelpWindow(QWidget* parent, THelpFile file, std::string path, THelpErrorBox errorBox);

    // Shows a topic and remembers the one shown before for Back. An unknown
    // context shows the error box and leaves the window as it was.
    bool ShowTopic(int32_t context, bool remember = true);
    void Back();
    void Replace(THelpFile file, std::string path);

    int32_t CurrentContext() const { return current_; }
    const std::string& Path() const { return path_; }

private:
    THelpFile file_;
    std::string path_;
    THelpErrorBox errorBox_;
    int32_t current_ = 0;
    std::vector<int32_t> history_;
    QTextBrowser* text_;
    QPushButton* back_;
};

// The topic as HTML for the window's text view; links use "topic:N".
std::string HelpTopicHtml(const THelpTopic& topic);

// Loads helpFile (a host path) and shows the topic with the given context
// number in the help window of parent, making that window when there is none
// yet. A missing or damaged file or an unknown topic shows a clear error box
// and returns nullptr.
THelpWindow* ShowHelpTopic(QWidget* parent, const std::string& helpFile, int32_t context,
                           const THelpErrorBox& errorBox = {});

// Host path of the help file next to the running program.
std::string HelpFileNextToProgram();

// Error box used when the caller gives none.
void ShowHelpErrorBox(QWidget* parent, const std::string& text);
