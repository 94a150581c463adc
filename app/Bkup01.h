// The main window: the four products with their state, last backup and
// backup location, the action and location choices, the diskette letter,
// progress, the panel for sending a backup to support, and the menu.
//
// Every handler speaks to the user only through the user-interface port and
// opens documents only through the shell layer, so tests drive the real
// window with a scripted port. Creating the window runs FormCreate.
#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/Controls.h"
#include "app/DbEngine.h"
#include "app/ProductList.h"
#include "platform/Shell.h"
#include "platform/UiPort.h"

class QAction;
class QFrame;
class QLineEdit;
class QListWidget;
class QMenu;
class TZpMeter;

// Colours of the design.
namespace VornColors {
inline const QColor Blue{0, 0, 255};
inline const QColor Maroon{128, 0, 0};
inline const QColor Green{0, 128, 0};
inline const QColor Red{255, 0, 0};
inline const QColor Navy{0, 0, 128};
inline const QColor White{255, 255, 255};
inline const QColor MoneyGreen{192, 220, 192};
inline const QColor PaleBlue{240, 251, 255};
}  // namespace VornColors

// Fixed defaults of the support services; the registry key's optional
// values SupportServer, SupportEmail and WebSite override them.
inline constexpr std::string_view kDefaultSupportServer = "ftp.tessaro.example";
inline constexpr std::string_view kDefaultSupportEmail = "support@tessaro.example";
inline constexpr std::string_view kDefaultWebSite = "www.tessaro.example";
inline constexpr std::string_view kRegistryKey = "\\SOFTWARE\\TessaroInc\\VornBackup";

class TFormBackup : public QMainWindow {
public:
    // exeDir: the program's folder as a Windows path, without trailing "\".
    TFormBackup(TUiPort& ui, TShell& shell, std::string exeDir, QWidget* parent = nullptr);
    ~TFormBackup() override;

    // --- handlers (each may raise; RunHandler shows what escapes) ---
    void FormCreate();
    void FormActivate();
    void BGVornProductsPelloClick();
    void BGVornProductsSenClick();
    void BGVornProductsCorvClick();
    void BGVornProductsTalmClick();
    void LocateProduct(std::string_view code, TProductButton* sender);
    // Backup or restore of a located product; filled in by the backup work.
    virtual void BackRest(std::string_view code, TProductButton* sender);
    void EFFloppyChange();
    void RGLocationClick();
    void EFNameChange();
    // Upload of a product's backup to support, told apart by the sender.
    virtual void LblCORVLocClick(TLinkLabel* sender);
    void LblEmailSupportClick();
    void CheckWebsiteForNewVersion1Click();
    void Exit1Click();
    void Help1Click();
    void About1Click();

    // What an activation of the window runs: FormActivate, its error shown.
    void Activate();

    // The application's general error display: runs a handler and shows the
    // message of an exception it lets through in an error box.
    void RunHandler(const std::function<void()>& handler);

    // --- program-wide values of the unit ---
    bool StartupFailed = false;
    bool FirstActivation = true;
    std::string ExeDir;
    std::string HelpFile;
    std::string DataDir;
    std::string UploadedFileName;
    std::string SupportServer{kDefaultSupportServer};
    std::string SupportEmail{kDefaultSupportEmail};
    std::string WebSite{kDefaultWebSite};

    // Shows the About window modally; set by the program (the About window
    // lives in its own unit).
    std::function<void()> ShowAbout;

    // --- components ---
    TDbConnection DbConn;
    TDbTable Defaults;
    TDbTable PathTab;
    TFileDialog SaveDialog1;
    TFileDialog SaveDialog2;
    TFileDialog OpenDialog1;

    // --- controls, in creation order ---
    TShadowLabel* fcLabel1 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* LblPelloBkup = nullptr;
    QLabel* LblSENBkup = nullptr;
    QLabel* LblCORVBkup = nullptr;
    QLabel* LblTALMBkup = nullptr;
    TLinkLabel* LblTALMLoc = nullptr;
    TLinkLabel* LblCORVLoc = nullptr;
    TLinkLabel* LblSENLoc = nullptr;
    TLinkLabel* LblPelloLoc = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QWidget* BGVornProducts = nullptr;
    TProductButton* BGVornProductsPello = nullptr;
    TProductButton* BGVornProductsSen = nullptr;
    TProductButton* BGVornProductsCorv = nullptr;
    TProductButton* BGVornProductsTalm = nullptr;
    TRadioGroup* RGAction = nullptr;
    TRadioGroup* RGLocation = nullptr;
    TFloppyEdit* EFFloppy = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* LblFile = nullptr;
    TZpMeter* ZpMeter1 = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label14 = nullptr;
    QLineEdit* EFName = nullptr;
    QLabel* Label15 = nullptr;
    QLabel* Label16 = nullptr;
    TLinkLabel* LblEmailSupport = nullptr;
    QListWidget* LBDirList = nullptr;

    QMenu* File1 = nullptr;
    QAction* CheckWebsiteForNewVersion1 = nullptr;
    QAction* N1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Help2 = nullptr;
    QAction* About1 = nullptr;

    // The client area every position is measured in.
    QWidget* Client() const { return client_; }
    // The product's button, last-backup and location labels.
    TProductButton* ProductButton(std::string_view code) const;
    QLabel* BkupLabel(std::string_view code) const;
    TLinkLabel* LocLabel(std::string_view code) const;

    TUiPort& Ui() { return ui_; }
    TShell& Shell() { return shell_; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void CreateMenu();
    void DiscoverProduct(const TProduct& product);
    void StretchLocationLabels();
    void ProductClick(std::string_view code, TProductButton* sender);
    // Ends the program after a start-up failure.
    void FailStartup(const std::string& message);

    TUiPort& ui_;
    TShell& shell_;
    QWidget* client_ = nullptr;
    bool activating_ = false;
    bool skipActivation_ = false;
    bool shown_ = false;
    bool stretchLabels_ = false;
};
