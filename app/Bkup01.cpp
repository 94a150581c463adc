#include "app/Bkup01.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

#include <cmath>

#include "app/CommRout.h"
#include "app/Convert.h"
#include "app/QtText.h"
#include "app/Settings.h"
#include "platform/FileName.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "platform/WinPath.h"
#include "zip/ZpMeter.h"

namespace {

// Fonts are given as character heights in pixels, in the window's family
// unless named.
// The window's typewriter face advances 0.6 em per character, rounded to
// whole pixels as the designed layout was measured ("Last Backup" fills its
// 77 px at 12 px). Faces that stand in for it may advance a fraction more,
// which would cut the end off fixed-size labels; spacing evens that out.
void FixAdvance(QFont& f)
{
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0);
    const QFontMetricsF m(f);
    if (!QFontInfo(f).fixedPitch())
        return;
    const qreal want = std::round(f.pixelSize() * 0.6);
    const qreal have = m.horizontalAdvance(QLatin1Char('M'));
    if (have > 0 && std::abs(want - have) > 0.01)
        f.setLetterSpacing(QFont::AbsoluteSpacing, want - have);
}

QFont PixelFont(const QFont& base, int pixels, bool bold = false, bool underline = false)
{
    QFont f = base;
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setUnderline(underline);
    FixAdvance(f);
    return f;
}

void SetTextColor(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    p.setColor(QPalette::ButtonText, c);
    w->setPalette(p);
}

void SetBackground(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

template <typename T>
T* Make(QWidget* parent, const char* name)
{
    auto* w = new T(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry, bool wrap = false)
{
    auto* l = Make<QLabel>(parent, name);
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setWordWrap(wrap);
    l->setText(text);
    if (geometry.width() > 0) {
        l->setGeometry(geometry);
    } else {
        // Size to the text, as an auto-sized label does.
        l->move(geometry.topLeft());
        l->adjustSize();
    }
    return l;
}

}  // namespace

TFormBackup::TFormBackup(TUiPort& ui, TShell& shell, std::string exeDir, QWidget* parent)
    : QMainWindow(parent),
      ExeDir(std::move(exeDir)),
      Defaults(DbConn, "Defaults", "Defaults.ADT"),
      PathTab(DbConn, "PathTab", "Path.ADT"),
      ui_(ui),
      shell_(shell)
{
    setObjectName("FormBackup");
    PathTab.SetIndexFieldNames("PFPRODUCT");
    SaveDialog1 = {"SaveDialog1", fdSave, "", "Program Files|*.exe", "ZIP", "", ""};
    SaveDialog2 = {"SaveDialog2", fdSave, "", "Backup Files|*.zip", "ZIP", "", ""};
    OpenDialog1 = {"OpenDialog1", fdOpen, "", "Backup Files|*.zip", "", "", ""};
    CreateControls();
    CreateMenu();
    try {
        FormCreate();
    } catch (const std::exception& e) {
        // Whatever stops the window's creation ends the program.
        FailStartup(e.what());
    }
}

TFormBackup::~TFormBackup()
{
    Defaults.Close();
    PathTab.Close();
    DbConn.Disconnect();
}

void TFormBackup::CreateControls()
{
    using namespace VornColors;
    setWindowTitle("Tessaro, Inc.'s Vorn Backup");
    QFont windowFont("Courier New");
    windowFont.setPixelSize(12);
    windowFont.setStyleHint(QFont::TypeWriter);
    FixAdvance(windowFont);
    setFont(windowFont);

    client_ = Make<QWidget>(this, "ClientArea");
    SetBackground(client_, QApplication::palette().color(QPalette::Button));
    client_->setMinimumSize(810, 607);
    setCentralWidget(client_);
    client_->installEventFilter(this);
    QWidget* c = client_;
    const QFont& wf = windowFont;

    fcLabel1 = Make<TShadowLabel>(c, "fcLabel1");
    fcLabel1->setText("Tessaro, Inc. Products Found");
    fcLabel1->setGeometry(8, 0, 362, 33);
    fcLabel1->setFont(PixelFont(wf, 21, true));
    fcLabel1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SetTextColor(fcLabel1, Blue);
    {
        // The bold face runs a little wider than the designed one: close
        // the letters up so the heading keeps within its width.
        QFont f = fcLabel1->font();
        const qreal excess = QFontMetricsF(f).horizontalAdvance(fcLabel1->text()) - fcLabel1->width();
        if (excess > 0) {
            f.setLetterSpacing(QFont::AbsoluteSpacing,
                               f.letterSpacing() - std::ceil(excess) / fcLabel1->text().size());
            fcLabel1->setFont(f);
        }
    }

    Label10 = MakeLabel(c, "Label10", "Last Backup", {272, 30, 77, 20});
    Label10->setFont(PixelFont(wf, 12, false, true));
    Label11 = MakeLabel(c, "Label11", "Backup To Location", {408, 30, 126, 20});
    Label11->setFont(PixelFont(wf, 12, false, true));

    const char* bkupNames[] = {"LblPelloBkup", "LblSENBkup", "LblCORVBkup", "LblTALMBkup"};
    QLabel** bkupLabels[] = {&LblPelloBkup, &LblSENBkup, &LblCORVBkup, &LblTALMBkup};
    const int tops[] = {50, 71, 92, 113};
    for (int i = 0; i < 4; ++i) {
        *bkupLabels[i] = MakeLabel(c, bkupNames[i], "", {264, tops[i], 137, 15});
        (*bkupLabels[i])->setFont(PixelFont(wf, 11));
        SetTextColor(*bkupLabels[i], Maroon);
    }
    // Created bottom to top, as designed.
    struct LocLayout {
        TLinkLabel** field;
        const char* name;
        int left, top;
    };
    const LocLayout locs[] = {{&LblTALMLoc, "LblTALMLoc", 408, 113},
                            {&LblCORVLoc, "LblCORVLoc", 407, 92},
                            {&LblSENLoc, "LblSENLoc", 408, 71},
                            {&LblPelloLoc, "LblPelloLoc", 408, 50}};
    for (const auto& l : locs) {
        auto* label = Make<TLinkLabel>(c, l.name);
        label->setGeometry(l.left, l.top, 345, 15);
        label->setFont(PixelFont(wf, 11, false, true));
        SetTextColor(label, Blue);
        label->setToolTip("Click on this to upload backup file to Support");
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->OnClick = [this, label] { RunHandler([this, label] { LblCORVLocClick(label); }); };
        *l.field = label;
    }

    Label1 = MakeLabel(c, "Label1", "If green, the product has been located.", {8, 137, 241, 33}, true);
    Label1->setFont(PixelFont(wf, 12));
    SetTextColor(Label1, Green);
    Label2 = MakeLabel(c, "Label2",
                       "If red, the product has not been found. Press the product's button to locate the product.",
                       {8, 175, 241, 49}, true);
    Label2->setFont(PixelFont(wf, 12));
    SetTextColor(Label2, Red);
    Label8 = new QLabel(c);
    Label8->setObjectName("Label8");
    Label8->setFont(PixelFont(wf, 12, true));
    Label8->setTextFormat(Qt::PlainText);
    Label8->setText("Make sure you are not currently running the program!");
    Label8->move(264, 136);
    Label8->adjustSize();
    Label3 = MakeLabel(c, "Label3", "Floppy drive letter", {568, 192, 0, 0});
    Label4 = MakeLabel(c, "Label4",
                       "The resulting backup file will be of \"ZIP\" type. \"Hard drive\" location will default to "
                       "the same directory in which the product was installed. (But, you will be able to change it "
                       "if desired.)",
                       {264, 240, 489, 49}, true);
    Label5 = MakeLabel(c, "Label5",
                       "Only data files are backed up. The programs (EXE and DLL) files are not backed up.",
                       {264, 296, 489, 33}, true);
    Label6 = MakeLabel(c, "Label6",
                       "After selecting the \"Action to Take\" and \"Location,\" press the product's green button to "
                       "perform the action.",
                       {264, 336, 489, 33}, true);
    Label7 = MakeLabel(c, "Label7",
                       "WARNING: Make sure the floppy letter is NOT the letter of a hard drive, as the backup "
                       "function will completely erase its contents!",
                       {264, 376, 489, 33}, true);

    BGVornProducts = Make<QWidget>(c, "BGVornProducts");
    BGVornProducts->setGeometry(8, 50, 249, 81);
    SetBackground(BGVornProducts, Blue);
    struct ButtonLayout {
        TProductButton** field;
        int top, height;
        void (TFormBackup::*click)();
    };
    const ButtonLayout buttons[] = {{&BGVornProductsPello, 0, 20, &TFormBackup::BGVornProductsPelloClick},
                                  {&BGVornProductsSen, 21, 20, &TFormBackup::BGVornProductsSenClick},
                                  {&BGVornProductsCorv, 42, 19, &TFormBackup::BGVornProductsCorvClick},
                                  {&BGVornProductsTalm, 62, 19, &TFormBackup::BGVornProductsTalmClick}};
    for (size_t i = 0; i < ProductList.size(); ++i) {
        const auto& product = ProductList[i];
        auto* b = new TProductButton(BGVornProducts);
        b->setObjectName(Q(product.ButtonName));
        b->setGeometry(0, buttons[i].top, 249, buttons[i].height);
        b->setText(Q(product.Caption));
        b->setToolTip(Q(product.Hint));
        b->setCursor(Qt::PointingHandCursor);
        b->SetCornerBias(25);
        const auto click = buttons[i].click;
        QObject::connect(b, &QAbstractButton::clicked, this, [this, click] { RunHandler([this, click] { (this->*click)(); }); });
        *buttons[i].field = b;
    }

    const auto makeGroup = [&](const char* name, QRect geometry, const char* caption,
                               std::vector<QString> items) {
        auto* g = Make<TRadioGroup>(c, name);
        g->setGeometry(geometry);
        g->setTitle(caption);
        g->setFont(PixelFont(wf, 12));
        SetBackground(g, Blue);
        SetTextColor(g, White);
        g->SetItems(items);
        for (int i = 0; i < g->Count(); ++i)
            SetTextColor(g->Button(i), White);
        return g;
    };
    RGAction = makeGroup("RGAction", {312, 176, 121, 57}, "Action to Take", {"Backup", "Restore"});
    RGLocation = makeGroup("RGLocation", {440, 176, 121, 57}, "Location", {"Floppy Drive", "Hard Drive"});
    RGLocation->OnClick = [this] { RunHandler([this] { RGLocationClick(); }); };

    EFFloppy = Make<TFloppyEdit>(c, "EFFloppy");
    EFFloppy->setGeometry(711, 184, 26, 23);
    QObject::connect(EFFloppy, &QLineEdit::textChanged, this, [this] { RunHandler([this] { EFFloppyChange(); }); });

    Panel1 = Make<QFrame>(c, "Panel1");
    Panel1->setGeometry(264, 432, 481, 57);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    SetBackground(Panel1, PaleBlue);
    LblFile = MakeLabel(Panel1, "LblFile", "", {8, 4, 466, 15});
    ZpMeter1 = Make<TZpMeter>(Panel1, "ZpMeter1");
    ZpMeter1->setGeometry(9, 32, 465, 16);
    ZpMeter1->SetOrientation(moHorizontal);
    ZpMeter1->SetUsedColor(Navy);

    Panel2 = Make<QFrame>(c, "Panel2");
    Panel2->setGeometry(8, 240, 241, 359);
    SetBackground(Panel2, MoneyGreen);
    Label9 = MakeLabel(Panel2, "Label9", "Send Backup File To Support", {8, 8, 0, 0});
    Label9->setFont(PixelFont(wf, 12, true, true));
    Label9->adjustSize();
    Label12 = MakeLabel(Panel2, "Label12",
                        "Backup files may be transmitted via Internet to Tessaro, Inc. in order to help resolve "
                        "problems.",
                        {8, 32, 225, 57}, true);
    Label13 = MakeLabel(Panel2, "Label13", "You must allow this program to transmit through your firewall.",
                        {8, 88, 225, 41}, true);
    Label14 = MakeLabel(Panel2, "Label14", "Your Name", {8, 132, 0, 0});
    Label14->setFont(PixelFont(wf, 12, true));
    Label14->adjustSize();
    EFName = Make<QLineEdit>(Panel2, "EFName");
    EFName->setGeometry(8, 154, 225, 23);
    QObject::connect(EFName, &QLineEdit::textChanged, this, [this] { RunHandler([this] { EFNameChange(); }); });
    Label15 = MakeLabel(Panel2, "Label15",
                        "To send, enter your name in the above field. Please enter letters only.",
                        {8, 184, 225, 57}, true);
    Label16 = MakeLabel(Panel2, "Label16",
                        "Then, click on the backup file's link in the \"Backup to Location\" column.",
                        {8, 240, 225, 49}, true);
    LblEmailSupport = Make<TLinkLabel>(Panel2, "LblEmailSupport");
    LblEmailSupport->setGeometry(8, 295, 225, 49);
    LblEmailSupport->setWordWrap(true);
    LblEmailSupport->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LblEmailSupport->setText("Finally, click on this to send an e-mail to Support, telling them the problem.");
    LblEmailSupport->setFont(PixelFont(wf, 12, false, true));
    SetTextColor(LblEmailSupport, Blue);
    LblEmailSupport->OnClick = [this] { RunHandler([this] { LblEmailSupportClick(); }); };

    LBDirList = Make<QListWidget>(c, "LBDirList");
    LBDirList->setGeometry(408, -1, 97, 25);
    LBDirList->setVisible(false);

    // Tab order: the product buttons, the two choices, the letter, the
    // progress panel (nothing to focus), the support panel, the list.
    QWidget* order[] = {BGVornProductsPello, BGVornProductsSen, BGVornProductsCorv, BGVornProductsTalm,
                        RGAction->Button(0), RGAction->Button(1), RGLocation->Button(0), RGLocation->Button(1),
                        EFFloppy, EFName, LBDirList};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    for (QWidget* w : {static_cast<QWidget*>(LblPelloLoc), static_cast<QWidget*>(LblSENLoc),
                       static_cast<QWidget*>(LblCORVLoc), static_cast<QWidget*>(LblTALMLoc),
                       static_cast<QWidget*>(LblEmailSupport)})
        w->setCursor(Qt::PointingHandCursor);

    // Designed client area plus the menu, centred on the desktop for when
    // the maximized window is restored.
    resize(810, 607 + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = geometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}

void TFormBackup::CreateMenu()
{
    File1 = menuBar()->addMenu("&File");
    File1->setObjectName("File1");
    CheckWebsiteForNewVersion1 = File1->addAction("Check Website For New Version");
    CheckWebsiteForNewVersion1->setObjectName("CheckWebsiteForNewVersion1");
    N1 = File1->addSeparator();
    N1->setObjectName("N1");
    Exit1 = File1->addAction("E&xit");
    Exit1->setObjectName("Exit1");
    Exit1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
    Exit1->setShortcutContext(Qt::WindowShortcut);
    addAction(Exit1);  // the shortcut works while the menu is closed

    Help1 = menuBar()->addMenu("Help");
    Help1->setObjectName("Help1");
    Help2 = Help1->addAction("Help");
    Help2->setObjectName("Help2");
    Help2->setShortcut(QKeySequence(Qt::Key_F1));
    Help2->setShortcutContext(Qt::WindowShortcut);
    addAction(Help2);
    About1 = Help1->addAction("About");
    About1->setObjectName("About1");

    connect(CheckWebsiteForNewVersion1, &QAction::triggered, this,
            [this] { RunHandler([this] { CheckWebsiteForNewVersion1Click(); }); });
    connect(Exit1, &QAction::triggered, this, [this] { RunHandler([this] { Exit1Click(); }); });
    connect(Help2, &QAction::triggered, this, [this] { RunHandler([this] { Help1Click(); }); });
    connect(About1, &QAction::triggered, this, [this] { RunHandler([this] { About1Click(); }); });
}

void TFormBackup::RunHandler(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        ui_.ShowError(e.what());
    }
}

void TFormBackup::Activate()
{
    // The error box of a failed first activation gives the window back its
    // activation when it closes; running the work again right then would
    // show the same box forever. The retry waits for a later activation.
    if (skipActivation_) {
        skipActivation_ = false;
        return;
    }
    try {
        FormActivate();
    } catch (const std::exception& e) {
        skipActivation_ = true;
        ui_.ShowError(e.what());
    }
}

void TFormBackup::StretchLocationLabels()
{
    const int width = client_->width();
    for (TLinkLabel* label : {LblPelloLoc, LblSENLoc, LblCORVLoc, LblTALMLoc})
        label->resize(std::max(0, width - label->x() - 8), label->height());
}

bool TFormBackup::eventFilter(QObject* watched, QEvent* e)
{
    // Maximizing completes after the first activation asked for it, so the
    // labels follow the client area's final width (and any later one).
    if (watched == client_ && e->type() == QEvent::Resize && stretchLabels_)
        StretchLocationLabels();
    return QMainWindow::eventFilter(watched, e);
}

bool TFormBackup::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        Activate();
    return QMainWindow::event(e);
}

void TFormBackup::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    // A desktop without a window manager may never activate the window;
    // its first showing counts as the first activation then.
    if (!shown_) {
        shown_ = true;
        QTimer::singleShot(0, this, [this] {
            if (FirstActivation && !StartupFailed)
                Activate();
        });
    }
}

void TFormBackup::closeEvent(QCloseEvent* e)
{
    Defaults.Close();
    PathTab.Close();
    DbConn.Disconnect();
    QMainWindow::closeEvent(e);
}

void TFormBackup::FailStartup(const std::string& message)
{
    StartupFailed = true;
    ui_.ShowError(message);
    ui_.Terminate();
}

void TFormBackup::FormCreate()
{
    FirstActivation = true;
    StartupFailed = false;
    UploadedFileName.clear();
    HelpFile = ExeDir + "\\VornBack.hlp";

    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    try {
        if (!reg.OpenKey(std::string(kRegistryKey), false)) {
            FailStartup("Missing registry entries. Please uninstall and reinstall product.");
            return;
        }
        DataDir = reg.ReadString("DataDir");
        for (auto [name, field] : {std::pair{"SupportServer", &SupportServer}, std::pair{"SupportEmail", &SupportEmail},
                                   std::pair{"WebSite", &WebSite}}) {
            const std::string value = reg.ReadString(name);
            if (!value.empty())
                *field = value;
        }
    } catch (const std::exception& e) {
        // The machine itself (its folder or hive) is unusable: say why.
        FailStartup(e.what());
        return;
    }

    const auto host = HostPathOf(DataDir);
    DbConn.SetConnectPath(host.value_or(""));
    DbConn.Connect();

    for (const char* table : {"Path.ADT", "Defaults.ADT"}) {
        if (!FileExists(DataDir + "\\" + table)) {
            FailStartup(std::string("Database file \"") + table + "\" cannot be found in directory \"" + DataDir +
                        "\".");
            return;
        }
    }
    // A table that exists but cannot be opened (damaged, held by another
    // process, unreadable) ends the start the same way: every later step
    // would fail on it again.
    try {
        Defaults.Open();
        PathTab.Open();
    } catch (const EDbException& e) {
        Defaults.Close();
        PathTab.Close();
        FailStartup(e.what());
    }
}

void TFormBackup::FormActivate()
{
    if (StartupFailed || !FirstActivation || activating_)
        return;
    // State changes below may deliver activations of their own.
    activating_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{activating_};

    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);

    stretchLabels_ = true;
    StretchLocationLabels();

    RGAction->SetItemIndex(0);

    {
        const QSignalBlocker block(EFFloppy);
        EFFloppy->setText(Q(ReadDefaultFloppy(Defaults)));
    }
    EFFloppyChange();

    LblFile->clear();

    // When the record could not be added, the defaults stand in for it
    // rather than whichever record happens to be current.
    std::string location = "1";
    if (GetPathData("$LOC", "1", "", true, PathTab))
        location = PathTab.FieldText(kPfPath);
    RGLocation->SetItemIndex(StrToInt(location));

    std::string name;
    if (GetPathData("$NAME", "", "", true, PathTab))
        name = PathTab.FieldText(kPfPath);
    {
        const QSignalBlocker block(EFName);
        EFName->setText(Q(name));
    }

    for (const auto& product : ProductList)
        DiscoverProduct(product);

    FirstActivation = false;
}

void TFormBackup::DiscoverProduct(const TProduct& product)
{
    const std::string code(product.Code);
    std::string stored(product.CurrentDir);
    std::string fileName(product.ProgramFile);
    if (GetPathData(code, product.CurrentDir, product.ProgramFile, true, PathTab)) {
        stored = PathTab.FieldText(kPfPath);
        fileName = PathTab.FieldText(kPfFileName);
    }
    std::string candidate = IncludeTrailingBackslash(stored) + fileName;

    TProductButton* button = ProductButton(code);
    button->SetFontColor(VornColors::White);
    if (FileExists(candidate)) {
        button->SetColor(VornColors::Green);
    } else {
        const std::string other =
            SameFileName(stored, product.CurrentDir) ? std::string(product.OlderDir) : std::string(product.CurrentDir);
        candidate = IncludeTrailingBackslash(other) + fileName;
        if (FileExists(candidate)) {
            button->SetColor(VornColors::Green);
            SetPathData(code, ExcludeTrailingBackslash(ExtractFilePath(candidate)), ExtractFileName(candidate),
                        PathTab);
        } else {
            button->SetColor(VornColors::Red);
        }
    }

    std::string data = ExcludeTrailingBackslash(ExtractFilePath(candidate));
    if (DirectoryExists(data)) {
        const std::string connectFile = data + "\\" + std::string(product.ConnectFile);
        if (FileExists(connectFile)) {
            const std::string value = TIniFile(connectFile).ReadString("Connect", "DataDir", "");
            if (!value.empty())
                data = value;
        }
    } else {
        data = "c:\\";
    }

    std::string lastBackup, location = data;
    if (GetPathData(product.BackupKey(), data, "", true, PathTab)) {
        lastBackup = PathTab.FieldText(kPfFileName);
        location = PathTab.FieldText(kPfPath);
    }
    BkupLabel(code)->setText(Q(lastBackup));
    LocLabel(code)->setText(Q(location));
}

void TFormBackup::ProductClick(std::string_view code, TProductButton* sender)
{
    if (sender->Color() == VornColors::Red)
        LocateProduct(code, sender);
    else
        BackRest(code, sender);
}

void TFormBackup::BGVornProductsPelloClick() { ProductClick("PELLO", BGVornProductsPello); }
void TFormBackup::BGVornProductsSenClick() { ProductClick("SEN", BGVornProductsSen); }
void TFormBackup::BGVornProductsCorvClick() { ProductClick("CORV", BGVornProductsCorv); }
void TFormBackup::BGVornProductsTalmClick() { ProductClick("TALM", BGVornProductsTalm); }

void TFormBackup::LocateProduct(std::string_view code, TProductButton* sender)
{
    if (!GetPathData(code, "", "", false, PathTab)) {
        ui_.ShowError("Cannot find product in table. Contact support.");
        return;
    }
    const std::string programFile = PathTab.FieldText(kPfFileName);
    SaveDialog1.DefaultExt = "exe";
    SaveDialog1.FileName = programFile;
    SaveDialog1.InitialDir = "c:\\";
    if (!ui_.Execute(SaveDialog1))
        return;
    const std::string folder = ExcludeTrailingBackslash(ExtractFilePath(SaveDialog1.FileName));
    if (!FileExists(folder + "\\" + programFile))
        return;
    sender->SetColor(VornColors::Green);
    // The dialog may have run a while: find the record again before editing.
    if (!GetPathData(code, "", "", false, PathTab)) {
        ui_.ShowError("Cannot find product in table. Contact support.");
        return;
    }
    PathTab.Edit();
    PathTab.SetFieldText(kPfPath, folder);
    PathTab.Post();
}

void TFormBackup::BackRest(std::string_view, TProductButton*)
{
}

void TFormBackup::EFFloppyChange()
{
    const std::string text = S(EFFloppy->text());
    if (text < "A" || text > "Z") {
        const QSignalBlocker block(EFFloppy);
        EFFloppy->setText("A");
    }
    WriteDefaultFloppy(Defaults, S(EFFloppy->text()));
}

void TFormBackup::RGLocationClick()
{
    SetPathData("$LOC", std::to_string(RGLocation->ItemIndex()), "", PathTab);
}

void TFormBackup::EFNameChange()
{
    SetPathData("$NAME", S(EFName->text()), "", PathTab);
}

void TFormBackup::LblCORVLocClick(TLinkLabel*)
{
}

void TFormBackup::LblEmailSupportClick()
{
    if (UploadedFileName.empty()) {
        ui_.ShowError("No file has been uploaded.");
        return;
    }
    const std::string text = "\"mailto:" + SupportEmail + "?subject=Backup File Upload " + UploadedFileName +
                             "&body=Name: " + S(EFName->text()) + "%0A%0DFile Name: " + UploadedFileName +
                             "%0A%0D%0A%0DPlease provide the details about the problem after this line:" +
                             "%0A%0D\"";
    LaunchProgram(shell_, ui_, text, "", SW_SHOW, "");
}

void TFormBackup::CheckWebsiteForNewVersion1Click()
{
    LaunchProgram(shell_, ui_, WebSite + "/etc2/p_backup.php", "", SW_SHOWMAXIMIZED, ExeDir);
}

void TFormBackup::Exit1Click()
{
    close();
}

void TFormBackup::Help1Click()
{
    ui_.ShowHelp(HelpFile, 10);
}

void TFormBackup::About1Click()
{
    if (ShowAbout)
        ShowAbout();
}

TProductButton* TFormBackup::ProductButton(std::string_view code) const
{
    const TProduct* p = FindProduct(code);
    return p == nullptr ? nullptr : findChild<TProductButton*>(Q(p->ButtonName));
}

QLabel* TFormBackup::BkupLabel(std::string_view code) const
{
    const TProduct* p = FindProduct(code);
    return p == nullptr ? nullptr : findChild<QLabel*>(Q(p->BkupLabelName));
}

TLinkLabel* TFormBackup::LocLabel(std::string_view code) const
{
    const TProduct* p = FindProduct(code);
    return p == nullptr ? nullptr : findChild<TLinkLabel*>(Q(p->LocLabelName));
}
