// The user-interface port: every message box, file dialog, cursor change,
// label repaint and message-processing point of the application goes
// through it. The Qt main window implements it with real widgets; tests
// use TScriptedUi, which records each call and answers from a script.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore };

// A set of buttons, in the fixed order of TMsgDlgBtn.
class TMsgDlgButtons {
public:
    constexpr TMsgDlgButtons() = default;
    constexpr TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> buttons)
    {
        for (auto b : buttons)
            bits_ |= Bit(b);
    }
    constexpr bool Contains(TMsgDlgBtn b) const { return (bits_ & Bit(b)) != 0; }
    constexpr bool operator==(const TMsgDlgButtons&) const = default;

private:
    static constexpr uint32_t Bit(TMsgDlgBtn b) { return 1u << static_cast<unsigned>(b); }
    uint32_t bits_ = 0;
};

enum TModalResult { mrNone, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore, mrYes, mrNo };

enum TCursor { crDefault, crHourGlass };

enum TFileDialogKind { fdSave, fdOpen };

// A file dialog component: its settings, and after a successful Execute
// the chosen file as a Windows path in FileName.
struct TFileDialog {
    std::string Name;        // component name, e.g. "SaveDialog1"
    TFileDialogKind Kind = fdSave;
    std::string Title;
    std::string Filter;      // "Description|*.ext" pairs joined with "|"
    std::string DefaultExt;  // without the dot; added when the name has none
    std::string FileName;
    std::string InitialDir;
};

class TUiPort {
public:
    virtual ~TUiPort() = default;

    // A modal message box; returns the button chosen.
    virtual TModalResult MessageDlg(std::string_view text, TMsgDlgType type, TMsgDlgButtons buttons) = 0;
    // Shows the dialog; true with dialog.FileName set when the user chose a
    // file, false when cancelled.
    virtual bool Execute(TFileDialog& dialog) = 0;
    // The screen cursor for the whole application.
    virtual void SetCursor(TCursor cursor) = 0;
    // Repaint the named label now, showing its current text, while the
    // handler keeps the thread busy.
    virtual void RepaintLabel(std::string_view name, std::string_view text) = 0;
    // Let the window process pending messages.
    virtual void ProcessMessages() = 0;
    // Show a help topic by context number.
    virtual void ShowHelp(std::string_view helpFile, int context) = 0;
    // End the program: the message loop stops.
    virtual void Terminate() = 0;

    // Short forms for the three kinds of box the handlers show.
    void ShowError(std::string_view text) { MessageDlg(text, mtError, {mbOK}); }
    void ShowInformation(std::string_view text) { MessageDlg(text, mtInformation, {mbOK}); }
};
