#include "zip/ZpBrowse.h"

#include "zip/ZpExcept.h"
#include "zip/ZpUtilsFs.h"

TZpBaseBrowser::TZpBaseBrowser() = default;
TZpBaseBrowser::~TZpBaseBrowser() = default;

void TZpBaseBrowser::SetBaseDirectory(const std::string& dir)
{
    baseDirectory_ = dir;
    if (archive_)
        archive_->SetBaseDirectory(dir);
}

void TZpBaseBrowser::SetTempDirectory(const std::string& dir)
{
    tempDirectory_ = dir;
    if (archive_)
        archive_->TempDirectory = dir;
}

void TZpBaseBrowser::Attach(TZpArchive& archive)
{
    archive.TempDirectory = tempDirectory_;
    archive.SetBaseDirectory(baseDirectory_);
    if (Logging) {
        // Only the creation is checked here: no log lines are written.
        try {
            ZpOpenFile(LogFile, fmCreate);
        } catch (const std::exception&) {
            throw EZpException("Error creating Log File", zmcLogFile);
        }
    }
    archive.OnItemFailure = [this](TZpArchiveItem& item, TZpProcessType pt, TZpErrorClass ec, int code) {
        if (OnProcessItemFailure)
            OnProcessItemFailure(*this, item, pt, ec, code);
    };
    archive.OnArchiveProgress = [this](int progress, bool& abort) {
        if (ArchiveProgressMeter)
            ArchiveProgressMeter->DoProgress(progress);
        if (OnArchiveProgress)
            OnArchiveProgress(*this, progress, abort);
    };
    archive.OnItemProgress = [this](TZpArchiveItem& item, int progress, bool& abort) {
        if (ItemProgressMeter)
            ItemProgressMeter->DoProgress(progress);
        if (OnArchiveItemProgress)
            OnArchiveItemProgress(*this, item, progress, abort);
    };
    archive.OnConfirmItem = [this](TZpArchiveItem& item, TZpProcessType pt, bool& confirm) {
        if (OnConfirmProcessItem)
            OnConfirmProcessItem(*this, item, pt, confirm);
    };
    archive.OnLoad = [this] {
        if (OnLoad)
            OnLoad(*this);
    };
    archive.OnRequestImage = OnRequestImage;
}
