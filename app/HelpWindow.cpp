#include "HelpWindow.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QString Escaped(const std::string& s)
{
    return QString::fromStdString(s).toHtmlEscaped();
}

std::string UnknownTopicText(const std::string& path, int32_t context)
{
    return "The help file \"" + path + "\" has no topic with context number " + std::to_string(context) + ".";
}

} // namespace

std::string HelpTopicHtml(const THelpTopic& topic)
{
    QString html = "<h2>" + Escaped(topic.Title) + "</h2>\n";
    bool inList = false;
    for (const auto& block : topic.Blocks) {
        if (block.Kind == hbBullet && !inList)
            html += "<ul>\n";
        if (block.Kind != hbBullet && inList)
            html += "</ul>\n";
        inList = block.Kind == hbBullet;
        QString body;
        for (const auto& span : SplitHelpLinks(block.Text)) {
            if (span.LinkContext)
                body += QString("<a href=\"topic:%1\">%2</a>").arg(span.LinkContext).arg(Escaped(span.Text));
            else
                body += Escaped(span.Text);
        }
        switch (block.Kind) {
        case hbHeading: html += "<h3>" + body + "</h3>\n"; break;
        case hbBullet: html += "<li>" + body + "</li>\n"; break;
        case hbParagraph: html += "<p>" + body + "</p>\n"; break;
        }
    }
    if (inList)
        html += "</ul>\n";
    return html.toStdString();
}

std::string HelpFileNextToProgram()
{
    return (QCoreApplication::applicationDirPath() + "/" + kHelpFileName).toStdString();
}

void ShowHelpErrorBox(QWidget* parent, const std::string& text)
{
    QMessageBox::critical(parent, "Tessaro, Inc. Vorn Backup", QString::fromStdString(text));
}

THelpWindow::THelpWindow(QWidget* parent, THelpFile file, std::string path, THelpErrorBox errorBox)
    : QWidget(parent, Qt::Window), file_(std::move(file)), path_(std::move(path)), errorBox_(std::move(errorBox))
{
    setObjectName("HelpWindow");
    // An owned window only hides on close and is shown again by the next
    // request; deleting it would race that reuse. One without an owner goes.
    setAttribute(Qt::WA_DeleteOnClose, parent == nullptr);
    resize(560, 480);

    auto* contents = new QPushButton("&Contents", this);
    contents->setObjectName("HelpContents");
    back_ = new QPushButton("&Back", this);
    back_->setObjectName("HelpBack");
    auto* close = new QPushButton("C&lose", this);
    close->setObjectName("HelpClose");
    text_ = new QTextBrowser(this);
    text_->setObjectName("HelpText");
    text_->setOpenLinks(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back_);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(text_);

    connect(contents, &QPushButton::clicked, this, [this] { ShowTopic(kHelpContentsContext); });
    connect(back_, &QPushButton::clicked, this, [this] { Back(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(text_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        bool ok = false;
        const int context = url.scheme() == "topic" ? url.path().toInt(&ok) : 0;
        if (ok && context > 0)
            ShowTopic(context);
    });
    back_->setEnabled(false);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

bool THelpWindow::ShowTopic(int32_t context, bool remember)
{
    const THelpTopic* topic = file_.Find(context);
    if (!topic) {
        (errorBox_ ? errorBox_ : THelpErrorBox(ShowHelpErrorBox))(this, UnknownTopicText(path_, context));
        return false;
    }
    if (remember && current_ != 0 && current_ != context)
        history_.push_back(current_);
    current_ = context;
    text_->setHtml(QString::fromStdString(HelpTopicHtml(*topic)));
    setWindowTitle("Vorn Backup Help - " + QString::fromStdString(topic->Title));
    back_->setEnabled(!history_.empty());
    return true;
}

void THelpWindow::Back()
{
    if (history_.empty())
        return;
    const int32_t previous = history_.back();
    history_.pop_back();
    ShowTopic(previous, false);
}

void THelpWindow::Replace(THelpFile file, std::string path)
{
    file_ = std::move(file);
    path_ = std::move(path);
    history_.clear();
    current_ = 0;
}

THelpWindow* ShowHelpTopic(QWidget* parent, const std::string& helpFile, int32_t context,
                           const THelpErrorBox& errorBox)
{
    const THelpErrorBox& box = errorBox ? errorBox : THelpErrorBox(ShowHelpErrorBox);
    THelpFile file;
    try {
        file = THelpFile::Load(helpFile);
    } catch (const EHelpFileError& e) {
        box(parent, "Cannot show help from \"" + helpFile + "\": " + e.Message() + ".");
        return nullptr;
    }
    if (!file.Find(context)) {
        box(parent, UnknownTopicText(helpFile, context));
        return nullptr;
    }
    // One help window per owner, as the help viewer keeps one window.
    // The class has no meta-object of its own, so Qt's typed child search
    // would match any widget; look with the C++ type instead.
    THelpWindow* window = nullptr;
    if (parent)
        for (QObject* child : parent->children())
            if ((window = dynamic_cast<THelpWindow*>(child)))
                break;
    if (window)
        window->Replace(std::move(file), helpFile);
    else
        window = new THelpWindow(parent, std::move(file), helpFile, errorBox);
    window->ShowTopic(context);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
