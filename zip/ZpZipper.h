// The zipper component: names an archive, takes files by mask, and writes
// the archive when it is closed.
#pragma once

#include <string>

#include "zip/ZpZBrows.h"

class TZpCustomZipper : public TZpCustomZipBrowser {
public:
    using TConfirmSaveEvent = std::function<void(TZpBaseBrowser& sender, bool& confirm)>;

    TZpCustomZipper();
    ~TZpCustomZipper() override;

    // Closes (commits) the open archive, then opens or creates the named
    // one. An empty name only closes.
    void SetFileName(const std::string& name) override;
    // Adds the files matching the mask list (relative masks are taken
    // below BaseDirectory).
    void IncludeFiles(const std::string& masks, uint32_t searchAttributes);
    // Adds an entry whose data comes from a stream (kept by the caller until
    // the archive is written).
    void AddStream(TStream& source, const std::string& storedName);

    TZpStoreOptions StoreOptions() const { return storeOptions_; }
    void SetStoreOptions(TZpStoreOptions value);
    TZpZipSupportedMethod CompressionMethodToUse() const { return method_; }
    void SetCompressionMethodToUse(TZpZipSupportedMethod value);
    TZpZipDeflationOption DeflationOption() const { return deflation_; }
    void SetDeflationOption(TZpZipDeflationOption value);
    bool AutoSave() const { return autoSave_; }
    void SetAutoSave(bool value);
    bool DOSMode() const { return dosMode_; }
    void SetDOSMode(bool value);
    int64_t SpanningThreshold() const { return spanningThreshold_; }
    void SetSpanningThreshold(int64_t value);

    TZpBaseMeterLink* ArchiveSaveProgressMeter = nullptr;
    TProgressEvent OnArchiveSaveProgress;
    TConfirmSaveEvent OnConfirmSave;
    TNotifyEvent OnSave;
    TZpRequestDiskEvent OnRequestBlankDisk;

protected:
    void Attach(TZpArchive& archive) override;

private:
    TZpStoreOptions storeOptions_ = soStripDrive | soRemoveDots;
    TZpZipSupportedMethod method_ = smBestMethod;
    TZpZipDeflationOption deflation_ = doNormal;
    bool autoSave_ = false;
    bool dosMode_ = false;
    int64_t spanningThreshold_ = 0;
};

class TZpZipper : public TZpCustomZipper {};
