#include "zip/ZpZipper.h"

#include "zip/ZpDiskPrompt.h"
#include "zip/ZpExcept.h"
#include "zip/ZpUtilsFs.h"
#include "zip/ZpZipPrc.h"

TZpCustomZipper::TZpCustomZipper() = default;

TZpCustomZipper::~TZpCustomZipper()
{
    // A component going away writes what it holds, as closing it would;
    // errors cannot leave a destructor.
    try {
        SetFileName({});
    } catch (...) {
    }
}

void TZpCustomZipper::SetFileName(const std::string& name)
{
    if (archive_) {
        // The archive stays reachable while it is written (handlers may ask
        // it about a failure); it is freed whatever the commit does.
        try {
            archive_->Commit();
        } catch (...) {
            archive_.reset();
            fileName_.clear();
            throw;
        }
        archive_.reset();
        fileName_.clear();
    }
    if (!name.empty()) {
        const TZpArchiveType type = ZpArchiveTypeOf(name);
        const bool exists = ZpFileExists(name) && ZpFileSizeOf(name) > 0;
        if (type != atZip && type != atZipExe)
            throw EZpUnhandledType();
        std::unique_ptr<TZpZipArchive> archive;
        if (exists) {
            archive = std::make_unique<TZpZipArchive>(name, omOpenRead);
            Attach(*archive);
            archive->Load();
        } else {
            archive = std::make_unique<TZpZipArchive>(name, omCreate);
            Attach(*archive);
        }
        archive_ = std::move(archive);
        fileName_ = name;
    }
    DoChange();
}

void TZpCustomZipper::Attach(TZpArchive& archive)
{
    auto& zip = static_cast<TZpZipArchive&>(archive);
    zip.SetSpanningThreshold(spanningThreshold_);
    TZpCustomZipBrowser::Attach(archive);
    zip.AutoSave = autoSave_;
    zip.CompressionMethodToUse = method_;
    zip.DeflationOption = deflation_;
    zip.DOSMode = dosMode_;
    zip.StoreOptions = storeOptions_;
    zip.OnRequestBlankDisk = OnRequestBlankDisk;
    ZpInstallDiskDefaults(zip, UiPort);
    zip.OnSaveProgress = [this](int progress, bool& abort) {
        if (ArchiveSaveProgressMeter)
            ArchiveSaveProgressMeter->DoProgress(progress);
        if (OnArchiveSaveProgress)
            OnArchiveSaveProgress(*this, progress, abort);
    };
    zip.OnConfirmSave = [this](bool& confirm) {
        if (OnConfirmSave)
            OnConfirmSave(*this, confirm);
    };
    zip.OnSave = [this] {
        if (OnSave)
            OnSave(*this);
    };
    zip.InsertFileHelper = ZipFileItem;
    zip.InsertStreamHelper = ZipStreamItem;
}

void TZpCustomZipper::IncludeFiles(const std::string& masks, uint32_t searchAttributes)
{
    if (!archive_)
        throw EZpNoArchive();
    archive_->IncludeFiles(masks, {}, searchAttributes);
    DoChange();
}

void TZpCustomZipper::AddStream(TStream& source, const std::string& storedName)
{
    if (!archive_)
        throw EZpNoArchive();
    auto item = std::make_unique<TZpZipItem>();
    item->Header.CompressionMethod = 8;
    item->SetFileName(ZpStoredNameFor(storedName, ZipArchive()->StoreOptions | soStripDrive));
    item->InputStream = &source;
    item->Action = ItemAction::AddFromStream;
    archive_->Add(std::move(item));
    DoChange();
}

void TZpCustomZipper::SetStoreOptions(TZpStoreOptions value)
{
    storeOptions_ = value;
    if (archive_)
        archive_->StoreOptions = value;
}

void TZpCustomZipper::SetCompressionMethodToUse(TZpZipSupportedMethod value)
{
    method_ = value;
    if (ZipArchive())
        ZipArchive()->CompressionMethodToUse = value;
}

void TZpCustomZipper::SetDeflationOption(TZpZipDeflationOption value)
{
    deflation_ = value;
    if (ZipArchive())
        ZipArchive()->DeflationOption = value;
}

void TZpCustomZipper::SetAutoSave(bool value)
{
    autoSave_ = value;
    if (archive_)
        archive_->AutoSave = value;
}

void TZpCustomZipper::SetDOSMode(bool value)
{
    dosMode_ = value;
    if (archive_)
        archive_->DOSMode = value;
}

void TZpCustomZipper::SetSpanningThreshold(int64_t value)
{
    spanningThreshold_ = value;
    if (archive_)
        archive_->SetSpanningThreshold(value);
}
