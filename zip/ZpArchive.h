// The archive object independent of the format: its options, status, lock
// and event hooks, and the procedures that do not depend on the format
// (adding items, including files by mask, committing, extracting by mask).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Stream.h"
#include "zip/ZpArcTyp.h"

class TZpArchive {
public:
    virtual ~TZpArchive();
    TZpArchive(const TZpArchive&) = delete;
    TZpArchive& operator=(const TZpArchive&) = delete;

    // --- what the format defines ----------------------------------------
    virtual int64_t SizeLimit() const { return 4294967295LL; }
    virtual bool SupportsEmptyFolders() const { return false; }
    virtual std::unique_ptr<TZpArchiveItem> MakeItem(const std::string& path) = 0;
    virtual void ExtractItemToFile(TZpArchiveItem& item, const std::string& targetName) = 0;
    virtual void ExtractItemToStream(TZpArchiveItem& item, TStream* target) = 0;
    virtual void ReadZip() = 0;
    virtual void WriteZip() = 0;
    virtual void TestItem(TZpArchiveItem& item) = 0;
    virtual std::string StoredNameFor(const std::string& path) = 0;

    // --- reports through the hooks ------------------------------------------
    virtual void DoItemFailure(TZpArchiveItem& item, TZpProcessType processType, TZpErrorClass errorClass, int errorCode);
    virtual void DoSaveProgress(int percent, bool& abort);
    virtual void DoArchiveProgress(int percent, bool& abort);
    virtual void DoItemProgress(TZpArchiveItem& item, int percent, bool& abort);
    virtual void DoConfirmItem(TZpArchiveItem& item, TZpProcessType processType, bool& confirm);
    virtual void DoConfirmSave(bool& confirm);
    virtual void DoLoad();
    virtual void DoCurrentItemProgress(int percent, bool& abort);
    virtual void DoSave();
    // Progress of the Deflate and Inflate engines for the current item; an
    // abort answer raises EZpAbortProgress.
    virtual void DeflateProgress(int percent);
    virtual void InflateProgress(int percent);
    // The base has no notion of images.
    virtual void RequestImage(int imageNumber, std::string& imageName, bool& abort);

    virtual int64_t SpanningThreshold() const { return spanningThreshold_; }
    virtual void SetSpanningThreshold(int64_t value) { spanningThreshold_ = value; }

    // --- procedures ------------------------------------------------------------
    // Adds an item (duplicate names are reported and discarded).
    virtual void Add(std::unique_ptr<TZpArchiveItem> item);
    // Lock, read, Idle, loaded, unlock.
    virtual void Load();
    virtual void Commit();
    void IncludeFiles(const std::string& masks, const std::string& excludeMasks, uint32_t searchAttributes);
    void ExtractMatching(const std::string& masks, const std::string& excludeMasks = {});
    // Extracts one item; failures are reported, not raised.
    void ExtractAt(int index, const std::string& newName = {});
    // Decodes every matching item without writing anything; failures are
    // reported through the item-failure hook. Returns the count that failed.
    int TestMatching(const std::string& masks);

    // Does the item match a ";"-separated mask list?
    static bool ItemMatches(const TZpArchiveItem& item, const std::string& masks);
    // Files found by a ";"-separated mask list under the search attributes,
    // each as the mask's folder part plus the entry name.
    static std::vector<std::string> FindFiles(const std::string& masks, uint32_t attributes, bool recurse);

    // The base directory rule; a missing folder raises EZpNoSuchDirectory.
    void SetBaseDirectory(const std::string& dir);
    const std::string& BaseDirectory() const { return baseDirectory_; }

    // --- state ------------------------------------------------------------
    std::string ArchiveName;
    ArchiveStatus Status = ArchiveStatus::Invalid;
    TZpArchiveList Items;
    std::string TempDirectory;
    TZpStoreOptions StoreOptions = soStripDrive;
    TZpExtractOptions ExtractOptions = eoCreateDirs;
    bool AutoSave = false;
    bool DOSMode = false;
    bool IsDirty = false;
    TZpArchiveItem* CurrentItem = nullptr;
    TZpPadLock Lock;
    // The message of the exception behind the latest item failure (the
    // failure event carries only class and code).
    std::string LastItemErrorMessage;

    TStream* Stream() const { return stream_.get() ? stream_.get() : borrowed_; }
    bool OwnsStream() const { return stream_ != nullptr; }

    // --- hooks, set by the components ---------------------------------------
    TZpArchiveItemFailureEvent OnItemFailure;
    TZpArchiveProgressEvent OnSaveProgress;
    TZpArchiveProgressEvent OnArchiveProgress;
    TZpArchiveItemProgressEvent OnItemProgress;
    TZpArchiveItemConfirmEvent OnConfirmItem;
    TZpArchiveConfirmEvent OnConfirmSave;
    TZpArchiveEvent OnLoad;
    TZpArchiveEvent OnSave;
    TZpRequestImageEvent OnRequestImage;
    // An extraction target exists; the handler may refuse or change the name.
    std::function<void(std::string& name, bool& confirm)> OnConfirmOverwrite;

protected:
    // An archive on a named file (the stream is opened by the format) or on
    // a caller's stream.
    explicit TZpArchive(const std::string& fileName);
    explicit TZpArchive(TStream& stream);

    void SetOwnedStream(std::unique_ptr<TStream> stream) { stream_ = std::move(stream); }
    void CheckValid() const;
    // The folder scratch streams swap to.
    std::string SwapFolder() const;

    std::string baseDirectory_;
    int64_t spanningThreshold_ = 0;

private:
    std::unique_ptr<TStream> stream_;
    TStream* borrowed_ = nullptr;
};

// Enters the archive lock and marks it Busy; leaving returns Busy to Idle.
class TZpBusyGuard {
public:
    explicit TZpBusyGuard(TZpArchive& archive);
    ~TZpBusyGuard();
    TZpBusyGuard(const TZpBusyGuard&) = delete;
    TZpBusyGuard& operator=(const TZpBusyGuard&) = delete;

private:
    TZpArchive& archive_;
};

// Copies at most limit bytes of source to target in blocks of blockSize,
// reporting the current item's progress as a rounded share of total (once
// per change, and 100 at the end); returns the CRC-32 of what was copied.
// An abort answer stops the copy after the block at hand and sets abort.
uint32_t ZpCopyWithProgress(TZpArchive& archive, TStream& source, TStream& target, int64_t limit, int64_t total,
                            size_t blockSize, bool& abort);
