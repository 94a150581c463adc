// The user-interface port for tests: records every call in order and
// answers boxes and dialogs from a script given beforehand.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/UiPort.h"

class TScriptedUi : public TUiPort {
public:
    enum TEventKind { evMessage, evDialog, evCursor, evRepaint, evProcessMessages, evHelp, evTerminate };

    struct TEvent {
        TEventKind Kind = evMessage;
        std::string Text;           // box text, dialog name, label name, help file
        TMsgDlgType Type = mtCustom;
        TMsgDlgButtons Buttons;
        TModalResult Answer = mrNone;
        TFileDialog Dialog;         // dialog settings as shown
        TCursor Cursor = crDefault;
        std::string LabelText;      // label text at the repaint
        int Context = 0;
        bool Unscripted = false;    // a question answered by default
    };

    // The next message box with more than one button gets this answer.
    void AnswerBox(TModalResult answer) { boxAnswers_.push_back(answer); }
    // The next file dialog: a chosen Windows path, or nullopt for cancel.
    void AnswerDialog(std::optional<std::string> fileName) { dialogAnswers_.push_back(std::move(fileName)); }
    // What the user does at the next box, in the order of the boxes, for
    // boxes with a single button too (e.g. to answer a disk prompt by
    // acting on the machine first).
    void OnNextBox(std::function<void(const TEvent&)> action) { boxActions_.push_back(std::move(action)); }

    TModalResult MessageDlg(std::string_view text, TMsgDlgType type, TMsgDlgButtons buttons) override;
    bool Execute(TFileDialog& dialog) override;
    void SetCursor(TCursor cursor) override;
    void RepaintLabel(std::string_view name, std::string_view text) override;
    void ProcessMessages() override;
    void ShowHelp(std::string_view helpFile, int context) override;
    void Terminate() override;

    const std::vector<TEvent>& Events() const { return events_; }
    // Only the message boxes, as "kind: text" lines ("error: ...",
    // "information: ...", "confirmation: ...", "warning: ...").
    std::vector<std::string> Boxes() const;
    TCursor Cursor() const { return cursor_; }
    bool Terminated() const { return terminated_; }
    // Script entries left over: a test usually expects none.
    size_t UnusedAnswers() const { return boxAnswers_.size() + dialogAnswers_.size(); }
    void Clear() { events_.clear(); }

private:
    std::vector<TEvent> events_;
    std::deque<TModalResult> boxAnswers_;
    std::deque<std::optional<std::string>> dialogAnswers_;
    std::deque<std::function<void(const TEvent&)>> boxActions_;
    TCursor cursor_ = crDefault;
    bool terminated_ = false;
};

const char* MsgDlgTypeName(TMsgDlgType type);
