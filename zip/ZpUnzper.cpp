#include "zip/ZpUnzper.h"

#include "zip/ZpExcept.h"
#include "zip/ZpUnzPrc.h"
#include "zip/ZpUtilsFs.h"

TZpCustomUnZipper::TZpCustomUnZipper() = default;
TZpCustomUnZipper::~TZpCustomUnZipper() = default;

void TZpCustomUnZipper::SetFileName(const std::string& name)
{
    if (!name.empty()) {
        if (!ZpFileExists(name))
            throw EZpFileNotFound();
        if (ZpFileSizeOf(name) <= 0)
            throw EZpBadStream();
    }
    if (archive_) {
        std::unique_ptr<TZpArchive> old = std::move(archive_);
        fileName_.clear();
        try {
            old->Commit();
        } catch (const std::exception&) {
            // Closing an archive that was only read must not fail.
        }
    }
    if (!name.empty()) {
        const TZpArchiveType type = ZpArchiveTypeOf(name);
        if (type != atZip && type != atZipExe)
            throw EZpUnhandledType();
        auto archive = std::make_unique<TZpZipArchive>(name, omOpenRead);
        Attach(*archive);
        archive->Load();
        archive_ = std::move(archive);
        fileName_ = name;
    }
    DoChange();
}

void TZpCustomUnZipper::Attach(TZpArchive& archive)
{
    TZpCustomZipBrowser::Attach(archive);
    auto& zip = static_cast<TZpZipArchive&>(archive);
    zip.ExtractOptions = extractOptions_;
    zip.PasswordRetries = PasswordRetries;
    zip.OnConfirmOverwrite = [this](std::string& n, bool& confirm) {
        if (OnConfirmOverwrite)
            OnConfirmOverwrite(n, confirm);
    };
    zip.OnNeedPassword = [this](std::string& p) {
        if (OnNeedPassword)
            OnNeedPassword(*this, p);
    };
    zip.ExtractFileHelper = UnzipItem;
    zip.ExtractStreamHelper = [](TZpZipArchive& a, TZpZipItem& item, TStream* target) {
        UnzipItemToStream(a, item, target);
    };
    zip.TestHelper = TestZipItem;
}

void TZpCustomUnZipper::ExtractMatching(const std::string& masks)
{
    if (!archive_)
        throw EZpNoArchive();
    archive_->ExtractMatching(masks);
}

int TZpCustomUnZipper::TestMatching(const std::string& masks)
{
    if (!archive_)
        throw EZpNoArchive();
    return archive_->TestMatching(masks);
}

void TZpCustomUnZipper::SetExtractOptions(TZpExtractOptions value)
{
    extractOptions_ = value;
    if (archive_)
        archive_->ExtractOptions = value;
}
