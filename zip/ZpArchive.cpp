#include "zip/ZpArchive.h"

#include <algorithm>
#include <optional>

#include "platform/FileStream.h"
#include "zip/ZpExcept.h"
#include "zip/ZpUtilsFs.h"
#include "zip/deflate/ZpCrc32.h"

namespace {

std::vector<std::string> SplitMasks(const std::string& masks)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= masks.size()) {
        size_t end = masks.find(';', start);
        if (end == std::string::npos)
            end = masks.size();
        pieces.push_back(ZpTrim(std::string_view(masks).substr(start, end - start)));
        start = end + 1;
    }
    return pieces;
}

void FindIn(const std::string& folder, const std::string& namePattern, uint32_t attributes, bool recurse,
            std::vector<std::string>& result)
{
    for (const TZpFoundFile& f : ZpFindFiles(folder + "*", attributes)) {
        // The filter asked for folders only so recursion can see them; they
        // are not candidates unless the caller asked for folders.
        if ((f.Attr & faDirectory) && !(attributes & faDirectory))
            continue;
        if (MatchesPattern(ZpUpper(f.Name), namePattern))
            result.push_back(folder + f.Name);
    }
    if (!recurse)
        return;
    for (const TZpFoundFile& f : ZpFindFiles(folder + "*", faDirectory | (attributes & (faHidden | faSysFile))))
        if (f.Attr & faDirectory)
            FindIn(folder + f.Name + "\\", namePattern, attributes, recurse, result);
}

} // namespace

TZpArchive::TZpArchive(const std::string& fileName) : ArchiveName(fileName) {}

TZpArchive::TZpArchive(TStream& stream) : borrowed_(&stream) {}

TZpArchive::~TZpArchive() = default;

void TZpArchive::CheckValid() const
{
    if (Status == ArchiveStatus::Invalid)
        throw EZpNoArchive();
}

std::string TZpArchive::SwapFolder() const
{
    if (!TempDirectory.empty() && ZpDirectoryExists(TempDirectory))
        return TempDirectory;
    return ZpTempFolder();
}

void TZpArchive::SetBaseDirectory(const std::string& dir)
{
    std::string d = ZpNormalizeBaseDirectory(dir);
    if (!d.empty() && !ZpDirectoryExists(d))
        throw EZpNoSuchDirectory();
    baseDirectory_ = std::move(d);
}

void TZpArchive::DoItemFailure(TZpArchiveItem& item, TZpProcessType processType, TZpErrorClass errorClass, int errorCode)
{
    if (OnItemFailure)
        OnItemFailure(item, processType, errorClass, errorCode);
}

void TZpArchive::DoSaveProgress(int percent, bool& abort)
{
    if (OnSaveProgress)
        OnSaveProgress(percent, abort);
}

void TZpArchive::DoArchiveProgress(int percent, bool& abort)
{
    if (OnArchiveProgress)
        OnArchiveProgress(percent, abort);
}

void TZpArchive::DoItemProgress(TZpArchiveItem& item, int percent, bool& abort)
{
    if (OnItemProgress)
        OnItemProgress(item, percent, abort);
}

void TZpArchive::DoConfirmItem(TZpArchiveItem& item, TZpProcessType processType, bool& confirm)
{
    if (OnConfirmItem)
        OnConfirmItem(item, processType, confirm);
}

void TZpArchive::DoConfirmSave(bool& confirm)
{
    if (OnConfirmSave)
        OnConfirmSave(confirm);
}

void TZpArchive::DoLoad()
{
    if (OnLoad)
        OnLoad();
}

void TZpArchive::DoCurrentItemProgress(int percent, bool& abort)
{
    if (CurrentItem)
        DoItemProgress(*CurrentItem, percent, abort);
}

void TZpArchive::DoSave()
{
    if (OnSave)
        OnSave();
}

void TZpArchive::DeflateProgress(int percent)
{
    bool abort = false;
    DoCurrentItemProgress(percent, abort);
    if (abort)
        throw EZpAbortProgress(ZpMessageText(zmcUserAbort), zmcUserAbort);
}

void TZpArchive::InflateProgress(int percent)
{
    DeflateProgress(percent);
}

void TZpArchive::RequestImage(int, std::string&, bool&)
{
    throw EZpSpanningNotSupported();
}

void TZpArchive::Add(std::unique_ptr<TZpArchiveItem> item)
{
    CheckValid();
    if (Items.IsActiveDuplicate(item->FileName())) {
        DoItemFailure(*item, ptAdd, ecEngine, zmcDuplicateName);
        return;
    }
    bool confirm = true;
    DoConfirmItem(*item, ptAdd, confirm);
    if (!confirm)
        return;
    TZpBusyGuard busy(*this);
    // A stream item keeps its kind; everything else is compressed from disk.
    if (item->Action != ItemAction::AddFromStream)
        item->Action = ItemAction::Add;
    Items.Add(std::move(item));
    IsDirty = true;
    if (AutoSave)
        Commit();
}

void TZpArchive::Load()
{
    TZpBusyGuard busy(*this);
    ReadZip();
    Status = ArchiveStatus::Idle;
    DoLoad();
}

void TZpArchive::Commit()
{
    if (Status == ArchiveStatus::Invalid)
        return;
    if (!IsDirty && Items.Count() > 0)
        return;
    TZpBusyGuard busy(*this);
    bool confirm = true;
    DoConfirmSave(confirm);
    if (!confirm)
        return;
    WriteZip();
    IsDirty = false;
    DoSave();
}

std::vector<std::string> TZpArchive::FindFiles(const std::string& masks, uint32_t attributes, bool recurse)
{
    std::vector<std::string> result;
    for (const std::string& piece : SplitMasks(masks)) {
        if (piece.empty())
            continue;
        FindIn(ZpExtractFilePath(piece), ZpUpper(ZpExtractFileName(piece)), attributes, recurse, result);
    }
    return result;
}

void TZpArchive::IncludeFiles(const std::string& masks, const std::string& excludeMasks, uint32_t searchAttributes)
{
    CheckValid();
    const bool absolute = masks.find("\\\\") != std::string::npos || masks.find(':') != std::string::npos;
    const std::string mask = ZpReplaceAll(masks, '/', '\\');
    const std::string exclude = ZpReplaceAll(excludeMasks, '/', '\\');
    const bool recurse = (StoreOptions & soRecurse) != 0;

    std::optional<TZpCurrentDir> dir;
    if (!absolute)
        dir.emplace(baseDirectory_);
    std::vector<std::string> excluded;
    if (!exclude.empty())
        excluded = FindFiles(exclude, searchAttributes, recurse);
    const std::vector<std::string> candidates = FindFiles(mask, searchAttributes, recurse);
    if (candidates.empty())
        return;
    const std::string self = ArchiveName.empty() ? std::string() : ZpExpandFileName(ArchiveName);
    for (const std::string& candidate : candidates) {
        if (std::find(excluded.begin(), excluded.end(), candidate) != excluded.end())
            continue;
        // The archive must never take itself in. The text comparison of the
        // original rule misses an absolute wild mask (base + "\" + a full
        // path never equals the name), so both sides are compared as full
        // paths, without case.
        if (!self.empty() && ZpSameText(ZpExpandFileName(candidate), self))
            continue;
        Add(MakeItem(candidate));
    }
    IsDirty = true;
}

bool TZpArchive::ItemMatches(const TZpArchiveItem& item, const std::string& masks)
{
    const std::string name = ZpUpper(ZpReplaceAll(item.FileName(), '/', '\\'));
    const std::string itemFolder = ZpExtractFilePath(name);
    const std::string itemFile = ZpExtractFileName(name);
    for (const std::string& rawPiece : SplitMasks(masks)) {
        // An empty piece (an empty list) matches nothing, not the empty
        // file-name part of a folder entry.
        if (rawPiece.empty())
            continue;
        const std::string piece = ZpUpper(ZpStripDrive(ZpReplaceAll(rawPiece, '/', '\\')));
        const std::string folder = ZpExtractFilePath(piece);
        if (!folder.empty() && !MatchesPattern(itemFolder, folder))
            continue;
        if (MatchesPattern(itemFile, ZpExtractFileName(piece)))
            return true;
    }
    return false;
}

void TZpArchive::ExtractMatching(const std::string& masks, const std::string& excludeMasks)
{
    CheckValid();
    for (int i = 0; i < Items.Count(); ++i) {
        const TZpArchiveItem& item = Items[i];
        if (ItemMatches(item, masks) && !ItemMatches(item, excludeMasks))
            ExtractAt(i);
        bool abort = false;
        DoArchiveProgress(PercentOf(i + 1, Items.Count()), abort);
        if (abort) {
            Status = ArchiveStatus::Invalid;
            throw EZpUserAbort();
        }
    }
    bool abort = false;
    DoArchiveProgress(100, abort);
}

namespace {

// The error class and code an item failure reports for an exception.
void Classify(TZpArchive& archive, const std::exception& e, TZpErrorClass& errorClass, int& errorCode)
{
    archive.LastItemErrorMessage = e.what();
    errorCode = 0;
    if (auto* zp = dynamic_cast<const EZpException*>(&e)) {
        errorClass = ecEngine;
        errorCode = zp->ErrorCode();
    } else if (dynamic_cast<const EFCreateError*>(&e)) {
        errorClass = ecFileCreateError;
    } else if (dynamic_cast<const EFOpenError*>(&e)) {
        errorClass = ecFileOpenError;
    } else if (dynamic_cast<const EStreamError*>(&e)) {
        errorClass = ecInOutError;
    } else {
        errorClass = ecOther;
    }
}

} // namespace

void TZpArchive::ExtractAt(int index, const std::string& newName)
{
    CheckValid();
    if (Items[index].Action != ItemAction::Unchanged)
        Commit();
    TZpBusyGuard busy(*this);
    TZpArchiveItem& item = Items[index];
    bool confirm = true;
    DoConfirmItem(item, ptExtract, confirm);
    if (!confirm)
        return;
    CurrentItem = &item;
    try {
        std::string target;
        if (!newName.empty()) {
            target = newName;
        } else {
            // Whatever the stored name says, the target stays below the base
            // folder: drive letters, leading separators and ".." are dropped.
            const bool restorePath = (ExtractOptions & eoRestorePath) != 0;
            const std::string relative = ZpSafeRelativePath(item.FileName(), restorePath);
            if (item.IsDirectory) {
                // A folder entry has no data; with stored folders it is made,
                // otherwise there is nothing to do.
                if (restorePath && !relative.empty()) {
                    const std::string folder = ZpJoinPath(baseDirectory_, relative);
                    if (!ZpDirectoryExists(folder) && !ZpForceDirectories(folder))
                        throw EZpNoSuchDirectory();
                }
                CurrentItem = nullptr;
                return;
            }
            if (relative.empty())
                throw EZpUnsafeName();
            target = ZpJoinPath(baseDirectory_, relative);
        }
        ExtractItemToFile(item, target);
    } catch (const std::exception& e) {
        TZpErrorClass errorClass;
        int errorCode;
        Classify(*this, e, errorClass, errorCode);
        DoItemFailure(item, ptExtract, errorClass, errorCode);
    }
    CurrentItem = nullptr;
}

int TZpArchive::TestMatching(const std::string& masks)
{
    CheckValid();
    int failed = 0;
    for (int i = 0; i < Items.Count(); ++i) {
        TZpArchiveItem& item = Items[i];
        if (!ItemMatches(item, masks))
            continue;
        TZpBusyGuard busy(*this);
        CurrentItem = &item;
        try {
            TestItem(item);
        } catch (const std::exception& e) {
            TZpErrorClass errorClass;
            int errorCode;
            Classify(*this, e, errorClass, errorCode);
            DoItemFailure(item, ptTest, errorClass, errorCode);
            ++failed;
        }
        CurrentItem = nullptr;
        bool abort = false;
        DoArchiveProgress(PercentOf(i + 1, Items.Count()), abort);
        if (abort)
            throw EZpUserAbort();
    }
    return failed;
}

TZpBusyGuard::TZpBusyGuard(TZpArchive& archive) : archive_(archive)
{
    archive_.Lock.Lock();
    if (archive_.Status == ArchiveStatus::Idle)
        archive_.Status = ArchiveStatus::Busy;
}

TZpBusyGuard::~TZpBusyGuard()
{
    if (archive_.Status == ArchiveStatus::Busy && archive_.Lock.Count() == 1)
        archive_.Status = ArchiveStatus::Idle;
    archive_.Lock.Unlock();
}

uint32_t ZpCopyWithProgress(TZpArchive& archive, TStream& source, TStream& target, int64_t limit, int64_t total,
                            size_t blockSize, bool& abort)
{
    uint32_t crc = 0xFFFFFFFFu;
    int64_t done = 0;
    int last = 0;
    abort = false;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(blockSize), std::max<int64_t>(limit, 1))));
    while (done < limit && !abort) {
        const size_t want = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(buffer.size()), limit - done));
        const size_t n = source.Read(std::span(buffer.data(), want));
        if (n == 0)
            break;
        done += static_cast<int64_t>(n);
        const int percent = ZpRoundedPercent(done, total);
        if (percent != last) {
            last = percent;
            archive.DoCurrentItemProgress(percent, abort);
        }
        crc = ZpCrc32Update(crc, buffer.data(), n);
        target.WriteBuffer(std::span<const uint8_t>(buffer.data(), n));
    }
    if (last < 100)
        archive.DoCurrentItemProgress(100, abort);
    return ~crc;
}
