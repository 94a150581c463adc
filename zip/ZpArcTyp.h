// The archive model independent of the format: items, the item list with its
// name hash, the archive object with its options, status, lock and events.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "zip/ZpUtils.h"

enum class ItemAction { Unchanged, Add, Delete, Freshen, Move, Replace, AddFromStream, Failed };
enum class ArchiveStatus { Invalid, Idle, Busy };

enum TZpProcessType { ptAdd, ptDelete, ptExtract, ptFreshen, ptMove, ptReplace, ptTest };
enum TZpErrorClass { ecNone, ecEngine, ecInOutError, ecFilerError, ecFileOpenError, ecFileCreateError, ecOther };

enum TZpExtractOption : unsigned { eoCreateDirs = 1u << 0, eoRestorePath = 1u << 1 };
using TZpExtractOptions = unsigned;

class TZpArchive;
class TZpArchiveItem;

// Event shapes. Sender is the archive (the components put themselves in
// front when they dispatch).
using TZpArchiveItemProgressEvent = std::function<void(TZpArchiveItem& item, int progress, bool& abort)>;
using TZpArchiveProgressEvent = std::function<void(int progress, bool& abort)>;
using TZpArchiveItemFailureEvent =
    std::function<void(TZpArchiveItem& item, TZpProcessType processType, TZpErrorClass errorClass, int errorCode)>;
using TZpArchiveItemConfirmEvent =
    std::function<void(TZpArchiveItem& item, TZpProcessType processType, bool& confirm)>;
using TZpArchiveConfirmEvent = std::function<void(bool& confirm)>;
using TZpArchiveEvent = std::function<void()>;
using TZpRequestDiskEvent = std::function<void(bool& abort)>;
using TZpRequestNthDiskEvent = std::function<void(int diskNumber, bool& abort)>;
using TZpRequestImageEvent = std::function<void(int imageNumber, std::string& imageName, bool& abort)>;

// A counted critical section. Every archive owns one; the engine runs on
// one thread, so it is never contended, but entries stay balanced.
class TZpPadLock {
public:
    void Lock();
    void Unlock();
    int Count() const { return count_; }

private:
    std::recursive_mutex section_;
    int count_ = 0;
};

// Enters the lock for a scope.
class TZpLockGuard {
public:
    explicit TZpLockGuard(TZpPadLock& lock) : lock_(lock) { lock_.Lock(); }
    ~TZpLockGuard() { lock_.Unlock(); }
    TZpLockGuard(const TZpLockGuard&) = delete;
    TZpLockGuard& operator=(const TZpLockGuard&) = delete;

private:
    TZpPadLock& lock_;
};

class TZpArchiveItem {
public:
    virtual ~TZpArchiveItem() = default;
    TZpArchiveItem() = default;
    TZpArchiveItem(const TZpArchiveItem&) = delete;
    TZpArchiveItem& operator=(const TZpArchiveItem&) = delete;

    virtual int64_t SizeLimit() const { return 4294967295LL; }
    virtual int64_t CompressedSize() const { return compressedSize_; }
    virtual uint32_t Crc32() const { return crc32_; }
    virtual uint32_t ExternalFileAttributes() const { return externalAttributes_; }
    virtual std::string FileName() const { return fileName_; }
    virtual bool IsEncrypted() const { return isEncrypted_; }
    virtual uint16_t LastModFileDate() const { return lastModDate_; }
    virtual uint16_t LastModFileTime() const { return lastModTime_; }
    virtual int64_t UncompressedSize() const { return uncompressedSize_; }

    virtual void SetCompressedSize(int64_t value) { compressedSize_ = value; }
    virtual void SetCrc32(uint32_t value) { crc32_ = value; }
    virtual void SetExternalFileAttributes(uint32_t value) { externalAttributes_ = value; }
    virtual void SetFileName(const std::string& value) { fileName_ = value; }
    virtual void SetIsEncrypted(bool value) { isEncrypted_ = value; }
    virtual void SetLastModFileDate(uint16_t value) { lastModDate_ = value; }
    virtual void SetLastModFileTime(uint16_t value) { lastModTime_ = value; }
    // Stores the value, then raises EZpFileTooLarge above the size limit.
    virtual void SetUncompressedSize(int64_t value);

    ItemAction Action = ItemAction::Unchanged;
    std::string DiskFileName;
    bool IsDirectory = false;

private:
    friend class TZpArchiveList;
    TZpArchiveItem* nextInBucket_ = nullptr;

    int64_t compressedSize_ = 0;
    uint32_t crc32_ = 0;
    uint32_t externalAttributes_ = 0;
    std::string fileName_;
    bool isEncrypted_ = false;
    uint16_t lastModDate_ = 0;
    uint16_t lastModTime_ = 0;
    int64_t uncompressedSize_ = 0;
};

// Items in order plus a hash of their stored names (1021 buckets, ELF hash
// of the upper-cased name; names compare without case).
class TZpArchiveList {
public:
    static constexpr size_t kBuckets = 1021;

    TZpArchiveList() { buckets_.fill(nullptr); }
    TZpArchiveList(const TZpArchiveList&) = delete;
    TZpArchiveList& operator=(const TZpArchiveList&) = delete;

    // Appends; the item goes to the front of its bucket chain.
    void Add(std::unique_ptr<TZpArchiveItem> item);
    // List index of the first item of that name in its chain; -1 when absent.
    int IndexOf(const std::string& name) const;
    // Some item of that name whose action is not Delete.
    bool IsActiveDuplicate(const std::string& name) const;
    void Delete(int index);
    void Clear();

    int Count() const { return static_cast<int>(items_.size()); }
    TZpArchiveItem& operator[](int index) const { return *items_.at(static_cast<size_t>(index)); }

private:
    std::vector<std::unique_ptr<TZpArchiveItem>> items_;
    std::array<TZpArchiveItem*, kBuckets> buckets_;
};
