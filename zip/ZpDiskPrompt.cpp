#include "zip/ZpDiskPrompt.h"

#include <string>

namespace {

bool Asked(TUiPort& ui, const std::string& text)
{
    return ui.MessageDlg(text, mtConfirmation, {mbOK, mbCancel}) == mrOk;
}

} // namespace

void ZpInstallDiskDefaults(TZpZipArchive& archive, TUiPort* ui)
{
    if (!ui)
        return;
    if (!archive.OnRequestBlankDisk)
        archive.OnRequestBlankDisk = [ui](bool& abort) { abort = !Asked(*ui, "Insert a blank floppy disk"); };
    if (!archive.OnRequestLastDisk)
        archive.OnRequestLastDisk = [ui](bool& abort) {
            abort = !Asked(*ui, "Insert the last disk in the spanned disk set");
        };
    if (!archive.OnRequestNthDisk)
        archive.OnRequestNthDisk = [ui](int n, bool& abort) {
            abort = !Asked(*ui, "Insert disk number " + std::to_string(n) + " of the spanned disk set");
        };
    if (!archive.OnImagePrompt)
        archive.OnImagePrompt = [ui](int n, std::string&, bool& abort) {
            abort = !Asked(*ui, "Insert span number " + std::to_string(n) + " of the spanned file set");
        };
}
