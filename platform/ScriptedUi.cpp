#include "platform/ScriptedUi.h"

namespace {

TScriptedUi::TEvent Event(TScriptedUi::TEventKind kind, std::string_view text = {})
{
    TScriptedUi::TEvent e;
    e.Kind = kind;
    e.Text = std::string(text);
    return e;
}

}  // namespace

const char* MsgDlgTypeName(TMsgDlgType type)
{
    switch (type) {
    case mtWarning: return "warning";
    case mtError: return "error";
    case mtInformation: return "information";
    case mtConfirmation: return "confirmation";
    case mtCustom: break;
    }
    return "custom";
}

TModalResult TScriptedUi::MessageDlg(std::string_view text, TMsgDlgType type, TMsgDlgButtons buttons)
{
    TEvent e = Event(evMessage, std::string(text));
    e.Type = type;
    e.Buttons = buttons;
    const bool single = buttons == TMsgDlgButtons{mbOK};
    if (!single && !boxAnswers_.empty()) {
        e.Answer = boxAnswers_.front();
        boxAnswers_.pop_front();
    } else if (single) {
        e.Answer = mrOk;
    } else {
        // Nobody said what to answer: take the most cautious button.
        e.Unscripted = true;
        e.Answer = buttons.Contains(mbCancel) ? mrCancel
                   : buttons.Contains(mbNo)   ? mrNo
                   : buttons.Contains(mbAbort) ? mrAbort
                                               : mrOk;
    }
    events_.push_back(e);
    if (!boxActions_.empty()) {
        auto action = std::move(boxActions_.front());
        boxActions_.pop_front();
        action(e);
    }
    return e.Answer;
}

bool TScriptedUi::Execute(TFileDialog& dialog)
{
    TEvent e = Event(evDialog, dialog.Name);
    e.Dialog = dialog;
    std::optional<std::string> answer;
    if (dialogAnswers_.empty())
        e.Unscripted = true;  // an unscripted dialog is cancelled
    else {
        answer = dialogAnswers_.front();
        dialogAnswers_.pop_front();
    }
    e.Answer = answer ? mrOk : mrCancel;
    events_.push_back(e);
    if (!answer)
        return false;
    dialog.FileName = *answer;
    return true;
}

void TScriptedUi::SetCursor(TCursor cursor)
{
    TEvent e = Event(evCursor);
    e.Cursor = cursor;
    events_.push_back(e);
    cursor_ = cursor;
}

void TScriptedUi::RepaintLabel(std::string_view name, std::string_view text)
{
    TEvent e = Event(evRepaint, std::string(name));
    e.LabelText = std::string(text);
    events_.push_back(e);
}

void TScriptedUi::ProcessMessages()
{
    events_.push_back(Event(evProcessMessages));
}

void TScriptedUi::ShowHelp(std::string_view helpFile, int context)
{
    TEvent e = Event(evHelp, std::string(helpFile));
    e.Context = context;
    events_.push_back(e);
}

void TScriptedUi::Terminate()
{
    events_.push_back(Event(evTerminate));
    terminated_ = true;
}

std::vector<std::string> TScriptedUi::Boxes() const
{
    std::vector<std::string> out;
    for (const auto& e : events_)
        if (e.Kind == evMessage)
            out.push_back(std::string(MsgDlgTypeName(e.Type)) + ": " + e.Text);
    return out;
}
