// The archive's side of spanning: the disk requests made to the
// components, the span stream's requests for further media, the target
// stream of a spanned write and the final names of a set of image files.
#include "zip/ZpExcept.h"
#include "zip/ZpSpanSt.h"
#include "zip/ZpUtils.h"
#include "zip/ZpZipTyp.h"

namespace {

bool HasDriveLetter(const std::string& name) { return name.size() >= 2 && name[1] == ':'; }

} // namespace

void TZpZipArchive::RequestLastDisk(bool& abort)
{
    if (OnRequestLastDisk)
        OnRequestLastDisk(abort);
}

void TZpZipArchive::RequestNthDisk(int diskNumber, bool& abort)
{
    if (OnRequestNthDisk)
        OnRequestNthDisk(diskNumber, abort);
}

void TZpZipArchive::RequestBlankDisk(bool& abort)
{
    IsSpanned = true;
    if (OnRequestBlankDisk)
        OnRequestBlankDisk(abort);
}

std::unique_ptr<TZpSpanStream> TZpZipArchive::OpenReadSpan(const std::string& name, TZpMediaKind kind,
                                                           int firstDiskIndex)
{
    auto span = std::make_unique<TZpSpanStream>(name, 0, kind, fmOpenRead, fsShareDenyWrite, firstDiskIndex);
    span->OnImageRequest = [this](TZpSpanStream& s, int number, bool& cancel, std::string& imageName) {
        SpanImageRequest(s, number, cancel, imageName);
    };
    return span;
}

void TZpZipArchive::RequestDisk(int index, bool& abort)
{
    if (!OwnsStream())
        throw EZpZipBadSpanStream();
    if (IsDriveRemovable) {
        if (index >= 0) {
            RequestNthDisk(index + 1, abort);
            if (abort)
                throw EZpUserAbort();
        }
        SetOwnedStream(nullptr);
        if (!ZpFileExists(ArchiveName))
            throw EZpFileNotFound();
        SetOwnedStream(OpenReadSpan(ArchiveName, mkRemovable, index));
        if (CurrentDisk == 0xFFFF && FindEndRecord(*Stream()) < 0) {
            RequestLastDisk(abort);
            if (abort)
                throw EZpUserAbort();
        }
        return;
    }
    if (OnRequestImage) {
        std::string name = ArchiveName;
        OnRequestImage(index, name, abort);
        if (abort)
            throw EZpUserAbort();
        SetOwnedStream(nullptr);
        SetOwnedStream(OpenReadSpan(ZpExpandFileName(name), mkLocal, index));
        return;
    }
    if (index >= 0) {
        std::string name = ImageNameFor(ArchiveName, index);
        // The last piece of a set written here carries the archive name.
        if (!ZpFileExists(name) && CurrentDisk != 0xFFFF && index == Footer.NumberOfThisDisk)
            name = ArchiveName;
        if (!ZpFileExists(name))
            throw EZpFileNotFound();
        SetOwnedStream(nullptr);
        SetOwnedStream(OpenReadSpan(name, mkLocal, index));
        return;
    }
    AutoImageNames = true;
    for (int i = 1; i <= 99; ++i) {
        std::string name = ImageNameFor(ArchiveName, i);
        if (!ZpFileExists(name)) {
            // The set ends with the piece under the .ZIP name.
            name = ZpChangeFileExt(ArchiveName, ".ZIP");
            if (!ZpFileExists(name) || ZpUpper(name) == ZpUpper(ArchiveName))
                throw EZpFileNotFound();
            i = 99;
        }
        auto span = OpenReadSpan(name, mkLocal, i);
        if (FindEndRecord(*span) >= 0) {
            SetOwnedStream(nullptr);
            SetOwnedStream(std::move(span));
            return;
        }
    }
    throw EZpFileNotFound();
}

void TZpZipArchive::SpanImageRequest(TZpSpanStream& stream, int imageNumber, bool& cancel, std::string& imageName)
{
    if (stream.State() == ssWriting) {
        if (stream.MediaKind() == mkRemovable) {
            RequestBlankDisk(cancel);
            // Labelled even after an abort: the disk in the drive is the
            // one that would have been next. A disk the stream will refuse
            // for want of room is not part of the set and keeps its label.
            const bool roomy = stream.DiskBudget() <= 0 || DriveFreeSpace(ArchiveName) >= stream.DiskBudget();
            if (HasDriveLetter(ArchiveName) && (cancel || roomy))
                SetDiskLabel(ZpSpanDiskLabel(imageNumber - 1), ArchiveName[0]);
        } else if (OnRequestImage) {
            OnRequestImage(imageNumber, imageName, cancel);
        } else if (AutoImageNames) {
            imageName = ImageNameFor(ArchiveName, imageNumber);
        }
        return;
    }
    if (stream.MediaKind() == mkRemovable) {
        RequestNthDisk(imageNumber, cancel);
    } else if (OnRequestImage) {
        OnRequestImage(imageNumber, imageName, cancel);
    } else if (AutoImageNames) {
        imageName = ImageNameFor(ArchiveName, imageNumber);
        if (!ZpFileExists(imageName))
            imageName = ZpChangeFileExt(ArchiveName, ".ZIP");
    } else if (OnImagePrompt) {
        OnImagePrompt(imageNumber, imageName, cancel);
    }
}

std::unique_ptr<TStream> TZpZipArchive::CreateTargetStream()
{
    std::unique_ptr<TZpSpanStream> span;
    if (IsSpanned && IsDriveRemovable) {
        CurrentDisk = 0;
        if (HasDriveLetter(ArchiveName))
            SetDiskLabel(ZpSpanDiskLabel(1), ArchiveName[0]);
        span = std::make_unique<TZpSpanStream>(ArchiveName, spanningThreshold_, mkRemovable, fmOpenWrite,
                                               fsShareDenyWrite);
    } else if (spanningThreshold_ > 0) {
        span = std::make_unique<TZpSpanStream>(ArchiveName, spanningThreshold_, mkLocal, fmOpenWrite,
                                               fsShareDenyWrite);
    } else {
        return ZpOpenFile(ArchiveName, fmCreate, fsShareDenyWrite);
    }
    span->SetDiskBudget(DiskSize);
    span->OnImageRequest = [this](TZpSpanStream& s, int number, bool& cancel, std::string& imageName) {
        SpanImageRequest(s, number, cancel, imageName);
    };
    span->OnProgress = [this](int percent, bool& abort) { DoSaveProgress(percent, abort); };
    return span;
}

std::unique_ptr<TStream> TZpZipArchive::OpenReadStream()
{
    return ZpOpenFile(ArchiveName, fmOpenRead, fsShareDenyWrite);
}

void TZpZipArchive::FinishImageSet()
{
    auto* span = dynamic_cast<TZpSpanStream*>(Stream());
    if (!span || span->MediaKind() != mkLocal || span->ChangeCount() == 0)
        return;
    const std::string last = span->ImageName();
    const int lastIndex = span->ChangeCount();
    SetOwnedStream(nullptr);
    const std::string first = ZpChangeFileExt(ArchiveName, ".Z01");
    if (ZpFileExists(first))
        ZpDeleteFile(first);
    if (!ZpRenameFile(ArchiveName, first))
        throw EZpException("Error Moving File " + ArchiveName + " to " + first, zmcMoveFile);
    if (!ZpRenameFile(last, ArchiveName))
        throw EZpException("Error Moving File " + last + " to " + ArchiveName, zmcMoveFile);
    CurrentDisk = static_cast<uint16_t>(lastIndex);
    SetOwnedStream(OpenReadSpan(ArchiveName, mkLocal, lastIndex));
}
