#include "app/Settings.h"

bool GetPathData(std::string_view code, std::string_view defaultPath, std::string_view defaultFileName,
                 bool addIfMissing, TDbTable& table)
{
    if (!table.Active())
        table.Open();
    if (table.FindKey(code))
        return true;
    if (!addIfMissing)
        return false;
    try {
        table.Append();
        table.SetFieldText(kPfProduct, code);
        table.SetFieldText(kPfPath, defaultPath);
        table.SetFieldText(kPfFileName, defaultFileName);
        table.Post();
        return true;
    } catch (const EDbException&) {
        table.Cancel();
        return false;
    }
}

void SetPathData(std::string_view code, std::string_view path, std::string_view fileName, TDbTable& table)
{
    if (!table.Active())
        table.Open();
    const bool found = table.FindKey(code);
    try {
        if (found) {
            table.Edit();
        } else {
            table.Append();
            table.SetFieldText(kPfProduct, code);
        }
        table.SetFieldText(kPfPath, path);
        table.SetFieldText(kPfFileName, fileName);
        table.Post();
    } catch (const EDbException&) {
        // A failed store leaves no pending change behind: the next handler
        // starts from what the file holds.
        table.Cancel();
    }
}

std::string ReadDefaultFloppy(TDbTable& defaults)
{
    if (!defaults.Active())
        defaults.Open();
    return defaults.FieldText(kDeFloppy);
}

void WriteDefaultFloppy(TDbTable& defaults, std::string_view letter)
{
    if (!defaults.Active())
        defaults.Open();
    if (defaults.State() != dsEdit && defaults.State() != dsInsert)
        defaults.Edit();
    defaults.SetFieldText(kDeFloppy, letter);
    defaults.Post();
}
