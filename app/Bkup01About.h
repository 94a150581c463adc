#pragma once
// The About window: program name, version, web site link and copyright over
// a faint background picture.

#include <QDialog>
#include <QIcon>

#include <cstdint>
#include <functional>
#include <span>
#include <string>

class QLabel;
class QToolButton;

// Web site shown and opened when the caller names none.
inline constexpr const char* kDefaultWebSiteHost = "www.tessaro.example";
inline constexpr const char* kAboutVersion = "3.40";
inline constexpr const char* kCopyrightNotice =
    "Copyright \xC2\xA9 1999-2026 Tessaro, Inc. All rights reserved.";

struct TAboutOptions {
    std::string WebSiteHost = kDefaultWebSiteHost;
    // Opens the web site when LblURL is clicked; the main window passes its
    // program launcher here. Empty: the desktop's default browser via Qt.
    std::function<void(QWidget* window, const std::string& host)> OpenWebSite;
};

class TFormAbout : public QDialog {
public:
    explicit TFormAbout(QWidget* parent = nullptr, TAboutOptions options = {});

    // Puts the picture in ImgIcon; bad or empty data leaves the window
    // without one and returns false.
    bool LoadPicture(std::span<const uint8_t> jpeg);

    void FormCreate();
    void SBCloseClick();
    void LblURLClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TAboutOptions options_;
    QLabel* ImgIcon;
    QToolButton* SBClose;
    QLabel* fcLabel1;
    QLabel* LblVerHdr;
    QLabel* LblVersion;
    QLabel* LblCopyright;
    QLabel* LblWebHdr;
    QLabel* LblURL;
};

// The bytes of the About picture built into the program.
std::span<const uint8_t> AboutPictureJpeg();

// The program's window icon, drawn rather than stored.
QIcon VornIcon();

// Shows a new About window modally and destroys it when it closes.
void ShowAbout(QWidget* parent, const TAboutOptions& options = {});
