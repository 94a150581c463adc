// Opening an archive by file name: the type rules and the ZIP settings the
// zipper and the extractor share.
#pragma once

#include <string>

#include "zip/ZpBrowse.h"
#include "zip/ZpZipTyp.h"

enum TZpArchiveType { atUnknown, atZip, atZipExe, atTar, atGzip, atTarGzip, atCab };

// The type of a named file: by content for an existing, non-empty file (the
// extension picks the check), by extension alone otherwise.
TZpArchiveType ZpArchiveTypeOf(const std::string& fileName);

class TZpCustomZipBrowser : public TZpBaseBrowser {
public:
    TZpZipArchive* ZipArchive() const { return static_cast<TZpZipArchive*>(archive_.get()); }

    std::string Password() const { return password_; }
    void SetPassword(const std::string& value);

protected:
    void Attach(TZpArchive& archive) override;

    std::string password_;
};
