// WriteZip: the whole archive is built in a scratch stream (every new entry
// first compressed into a scratch of its own), and only then copied to the
// target, so the target is touched once all entries are done.
#include <algorithm>

#include "zip/ZpExcept.h"
#include "zip/ZpUtilsFs.h"
#include "zip/ZpVMStrm.h"
#include "zip/ZpZipTyp.h"

namespace {

bool IsNewData(ItemAction a)
{
    return a == ItemAction::Add || a == ItemAction::Freshen || a == ItemAction::Replace ||
           a == ItemAction::AddFromStream;
}

// Where the next record starts, as disk index and offset on that disk
// (without disks, the disk index stays and the offset is the position).
void Locate(int64_t position, int64_t diskSize, int64_t& currentDisk, int64_t& offset)
{
    if (diskSize <= 0) {
        offset = position;
        return;
    }
    currentDisk = position / diskSize;
    offset = position - currentDisk * diskSize;
}

} // namespace

void TZpZipArchive::WriteZip()
{
    if (Items.Count() == 0)
        return;
    if (IsSpanned) {
        for (int i = 0; i < Items.Count(); ++i)
            if (Items[i].Action != ItemAction::Failed)
                Items[i].Action = ItemAction::Unchanged;
        IsDirty = false;
        throw EZpZipSpanOverwrite();
    }
    bool needsHelpers = false;
    for (int i = 0; i < Items.Count(); ++i)
        needsHelpers |= IsNewData(Items[i].Action);
    if (needsHelpers && !InsertFileHelper && !InsertStreamHelper)
        throw EZpZipNoInsertion();

    if (OwnsStream())
        SetOwnedStream(OpenReadStream());

    // Disk budget: only a removable drive (or a spanning threshold) lays the
    // archive out in disks; 0 switches that bookkeeping off. A threshold
    // wins, capped at the free space where that is known.
    IsDriveRemovable = !ArchiveName.empty() && DriveIsRemovable(ArchiveName);
    const bool spannable = IsDriveRemovable ? Stream()->Size() == 0 : spanningThreshold_ > 0;
    int64_t diskSize = 0;
    if (spanningThreshold_ > 0) {
        const int64_t free = DriveFreeSpace(ArchiveName);
        diskSize = free >= 0 ? std::min(free, spanningThreshold_) : spanningThreshold_;
    } else if (IsDriveRemovable) {
        diskSize = std::max<int64_t>(DriveFreeSpace(ArchiveName), 0);
    }

    DiskSize = diskSize;
    const std::string swap = SwapFolder();
    TZpVirtualMemoryStream out(swap);
    TStream& in = *Stream();
    if (IsExecutable && StubSize > 0) {
        in.SetPosition(0);
        out.CopyFrom(in, StubSize);
    } else if (spannable) {
        const uint8_t marker[4] = {'P', 'K', '0', '0'};
        out.WriteBuffer(marker);
    }

    TMemoryStream directory;
    Footer = TZpZipDirectoryFileFooter{};
    int64_t currentDisk = 0;
    int64_t offset = out.Position();
    in.SetPosition(0);
    int entries = 0;
    const int count = Items.Count();
    // After an entry's data: one descriptor when its flags announce one,
    // then its directory record. Counted only once the record is written.
    auto closeEntry = [&](const TZpZipItem& item) {
        if (item.Header.GeneralPurposeFlags & kZpFlagDataDescriptor)
            TZpZipDataDescriptor{item.Header.Crc32, item.Header.CompressedSize, item.Header.UncompressedSize}.Write(out);
        item.Header.Write(directory);
        ++entries;
    };

    for (int i = 0; i < count; ++i) {
        auto& item = static_cast<TZpZipItem&>(Items[i]);
        CurrentItem = &item;
        const int64_t itemStart = out.Position();
        if (item.Action == ItemAction::Unchanged || item.Action == ItemAction::Move) {
            in.SetPosition(item.Header.RelativeOffsetOfLocalHeader);
            item.Header.DiskNumberStart = static_cast<uint16_t>(currentDisk);
            item.Header.RelativeOffsetOfLocalHeader = static_cast<uint32_t>(offset);
            TZpZipLocalFileHeader old;
            old.Read(in);
            ZpLocalHeaderFor(item.Header).Write(out);
            if (item.Header.CompressedSize > 0)
                out.CopyFrom(in, item.Header.CompressedSize);
            closeEntry(item);
        } else if (IsNewData(item.Action)) {
            try {
                // Offsets and counts are 16 and 32 bits wide; an entry that
                // cannot be recorded is left out rather than recorded wrong.
                if (offset > 0xFFFFFFFFLL || entries >= 0xFFFF)
                    throw EZpFileTooLarge();
                item.Header.DiskNumberStart = static_cast<uint16_t>(currentDisk);
                item.Header.RelativeOffsetOfLocalHeader = static_cast<uint32_t>(offset);
                TZpVirtualMemoryStream data(swap);
                if (item.Action == ItemAction::AddFromStream) {
                    if (!InsertStreamHelper || !item.InputStream)
                        throw EZpZipNoInsertion();
                    InsertStreamHelper(*this, item, data, *item.InputStream);
                } else {
                    if (!InsertFileHelper)
                        throw EZpZipNoInsertion();
                    InsertFileHelper(*this, item, data);
                }
                ZpLocalHeaderFor(item.Header).Write(out);
                data.SetPosition(0);
                if (data.Size() > 0)
                    out.CopyFrom(data, data.Size());
                closeEntry(item);
            } catch (const EZpUserAbort&) {
                CurrentItem = nullptr;
                throw;
            } catch (const std::exception& e) {
                LastItemErrorMessage = e.what();
                // Whatever reached the scratch for this entry is taken back.
                out.SetSize(itemStart);
                out.SetPosition(itemStart);
                item.Action = ItemAction::Delete;
                DoItemFailure(item, ptAdd, ecFileOpenError, 0);
            }
        }
        bool abort = false;
        DoArchiveProgress(PercentOf(9LL * (i + 1), 10LL * count), abort);
        if (abort) {
            CurrentItem = nullptr;
            throw EZpUserAbort();
        }
        Locate(out.Position(), diskSize, currentDisk, offset);
    }
    CurrentItem = nullptr;

    if (diskSize > 0) {
        const int64_t remaining = diskSize - offset;
        if (remaining > 0 && directory.Size() + 512 > remaining) {
            const std::vector<uint8_t> zeros(static_cast<size_t>(remaining + 1), 0);
            out.WriteBuffer(zeros);
            Locate(out.Position(), diskSize, currentDisk, offset);
        }
    }
    if (offset > 0xFFFFFFFFLL)
        throw EZpFileTooLarge();
    Footer.DiskWithStartOfDirectory = static_cast<uint16_t>(currentDisk);
    Footer.DirectoryOffset = static_cast<uint32_t>(offset);
    if (spanningThreshold_ > 0 && diskSize > 0)
        currentDisk = (out.Position() + directory.Size()) / diskSize;
    Footer.DirectorySize = static_cast<uint32_t>(directory.Size());
    Footer.NumberOfThisDisk = static_cast<uint16_t>(currentDisk);
    Footer.EntriesOnThisDisk = static_cast<uint16_t>(entries);
    Footer.TotalEntries = static_cast<uint16_t>(entries);
    directory.SetPosition(directory.Size());
    Footer.Write(directory);
    directory.SetPosition(0);
    out.CopyFrom(directory, directory.Size());

    IsSpanned = currentDisk > 0 && diskSize > 0 && out.Size() > diskSize && spannable;
    if (IsSpanned) {
        const uint8_t marker[4] = {0x50, 0x4B, 0x07, 0x08};
        out.SetPosition(0);
        out.WriteBuffer(marker);
    }

    // The target: a stream the archive owns is replaced by a new one on the
    // archive name; a caller's stream is rewritten in place.
    out.SetPosition(0);
    if (OwnsStream()) {
        try {
            SetOwnedStream(nullptr);
            std::unique_ptr<TStream> target = CreateTargetStream();
            target->SetSize(0);
            if (auto* span = dynamic_cast<TZpSpanStream*>(target.get()))
                span->SetTotalSize(out.Size());
            target->CopyFrom(out, out.Size());
            SetOwnedStream(std::move(target));
            FinishImageSet();
        } catch (const EZpUserAbort&) {
            throw;
        } catch (const std::exception& e) {
            throw EZpBadStream(std::string(ZpMessageText(zmcBadStream)) + "\r\n" + e.what());
        }
    } else {
        TStream& target = *Stream();
        target.SetSize(0);
        target.SetPosition(0);
        target.CopyFrom(out, out.Size());
    }

    for (int i = Items.Count() - 1; i >= 0; --i) {
        if (Items[i].Action == ItemAction::Delete)
            Items.Delete(i);
        else if (Items[i].Action != ItemAction::Failed)
            Items[i].Action = ItemAction::Unchanged;
    }
    bool abort = false;
    DoSaveProgress(100, abort);
    DoArchiveProgress(100, abort);
}
