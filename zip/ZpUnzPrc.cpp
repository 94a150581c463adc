#include "zip/ZpUnzPrc.h"

#include <algorithm>

#include "zip/ZpExcept.h"
#include "zip/ZpTempFileStream.h"
#include "zip/ZpUtilsFs.h"
#include "zip/deflate/ZpDfDec.h"

namespace {

// DOS bits the extraction restores; the high bits some tools put there
// (Unix modes) mean nothing to the file layer.
constexpr uint32_t kRestoredAttributes = faReadOnly | faHidden | faSysFile | faArchive;

// Passes at most the entry's recorded size on: a stream that decodes to
// more than its record says is damaged (or a bomb) and must not fill the
// disk before its check fails.
class TZpSizeLimit : public TStream {
public:
    TZpSizeLimit(TStream& target, int64_t limit) : target_(target), left_(limit) {}
    size_t Read(std::span<uint8_t> buffer) override { return target_.Read(buffer); }
    size_t Write(std::span<const uint8_t> buffer) override
    {
        if (static_cast<int64_t>(buffer.size()) > left_)
            throw EZpZipBadCRC();
        left_ -= static_cast<int64_t>(buffer.size());
        return target_.Write(buffer);
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override { return target_.Seek(offset, origin); }
    int64_t Size() override { return target_.Size(); }

private:
    TStream& target_;
    int64_t left_;
};

} // namespace

uint32_t CopyStoredData(TZpZipArchive& archive, TZpZipItem& item, TStream& target)
{
    TStream& source = *archive.Stream();
    const int64_t size = item.UncompressedSize();
    // A stored entry holds as many bytes as it says on both sides; reading
    // no further than the packed size keeps a lying record inside its data.
    const int64_t limit = std::min(size, item.CompressedSize());
    // Larger pieces than the classic 1 KiB: the same progress, far fewer reads.
    constexpr size_t kBlock = 64 * 1024;
    bool abort = false;
    const uint32_t crc = ZpCopyWithProgress(archive, source, target, limit, size, kBlock, abort);
    if (abort)
        throw EZpUserAbort();
    return crc;
}

uint32_t InflateData(TZpZipArchive& archive, TZpZipItem& item, TStream& target, uint32_t checkValue,
                     bool verifyOnly, int64_t* plainSize)
{
    TZpDeflateHelper helper;
    uint32_t options = helper.Options();
    if (item.Header.CompressionMethod == 9)
        options |= dfoDeflate64;
    if (verifyOnly)
        options |= dfoVerifyOnly;
    helper.SetOptions(options);
    helper.SourceSize = item.CompressedSize();
    helper.PercentHook = [&archive](int percent) { archive.InflateProgress(percent); };
    helper.CryptCheck = static_cast<int32_t>(checkValue);
    const uint32_t crc = Inflate(archive.Stream(), &target, &helper);
    if (plainSize)
        *plainSize = helper.PlainSize;
    return crc;
}

bool UnzipItemToStream(TZpZipArchive& archive, TZpZipItem& item, TStream* target)
{
    if (!target)
        throw EZpBadStream();
    if ((item.Header.VersionNeededToExtract & 0xFF) > 21)
        throw EZpZipVersion();
    if (item.IsEncrypted())
        throw EZpZipEncrypted();
    if (archive.IsSpanned && archive.CurrentDisk != item.Header.DiskNumberStart) {
        archive.CurrentDisk = item.Header.DiskNumberStart;
        bool abort = false;
        archive.RequestDisk(archive.CurrentDisk, abort);
        if (abort)
            throw EZpUserAbort();
    }
    TStream& source = *archive.Stream();
    const int64_t streamSize = source.Size();
    source.SetPosition(item.Header.RelativeOffsetOfLocalHeader);
    TZpZipLocalFileHeader local;
    local.Read(source);
    // The data must lie inside the archive; a cut archive is refused before
    // anything is decoded.
    if (!archive.IsSpanned && source.Position() + item.CompressedSize() > streamSize)
        throw EZpTruncated();
    const uint32_t checkValue =
        (local.GeneralPurposeFlags & kZpFlagDataDescriptor) ? uint32_t(local.LastModFileTime) << 16 : item.Crc32();

    uint32_t crc = 0;
    int64_t produced = item.UncompressedSize();
    switch (local.CompressionMethod) {
    case 0:
        crc = CopyStoredData(archive, item, *target);
        if (item.CompressedSize() != item.UncompressedSize())
            produced = -1;
        break;
    case 8:
    case 9: {
        // The test sink counts what it is given, so the decoder writes to it
        // as to any target and the produced size comes from the sink.
        TZpSizeLimit limited(*target, item.UncompressedSize());
        crc = InflateData(archive, item, limited, checkValue, false, &produced);
        break;
    }
    default:
        throw EZpZipInvalidMethod();
    }
    // A stream that decodes to another length is as wrong as a bad CRC.
    const bool good = (crc == checkValue || crc == item.Crc32()) && produced == item.UncompressedSize();
    if (good)
        return true;
    if (archive.OnItemFailure) {
        archive.LastItemErrorMessage = ZpMessageText(zmcBadCRC);
        archive.DoItemFailure(item, ptExtract, ecEngine, zmcBadCRC);
        return false;
    }
    throw EZpZipBadCRC();
}

void TestZipItem(TZpZipArchive& archive, TZpZipItem& item)
{
    if (item.IsDirectory && item.UncompressedSize() == 0 && item.CompressedSize() == 0)
        return;
    TZpTestSink sink;
    UnzipItemToStream(archive, item, &sink);
}

void UnzipItem(TZpZipArchive& archive, TZpZipItem& item, const std::string& targetName)
{
    const std::string name = ZpReplaceAll(targetName, '/', '\\');
    std::string full;
    if (archive.ExtractOptions & eoRestorePath) {
        // The stored folders stay; the caller has already put the name
        // below the base folder (or named a full target itself).
        const bool absolute = name.find(':') != std::string::npos || name.rfind("\\\\", 0) == 0;
        full = absolute ? name : ZpJoinPath(archive.BaseDirectory(), name);
    } else {
        full = ZpJoinPath(archive.BaseDirectory(), ZpExtractFileName(name));
    }
    std::string folder = ZpExtractFilePath(full);
    if (folder.size() > 1 && folder.back() == '\\' && folder[folder.size() - 2] != ':')
        folder.pop_back();
    // A missing folder is made only once the data has passed its check, so a
    // damaged entry leaves nothing behind.
    const bool makeFolder = !folder.empty() && !ZpDirectoryExists(folder);
    if (makeFolder && !(archive.ExtractOptions & eoCreateDirs))
        throw EZpNoSuchDirectory();
    if (ZpFileExists(full) || ZpDirectoryExists(full)) {
        bool confirm = true;
        if (archive.OnConfirmOverwrite)
            archive.OnConfirmOverwrite(full, confirm);
        if (full.empty())
            return;
        if (!confirm)
            return;
    }

    TZpTempFileStream temp;
    const bool good = UnzipItemToStream(archive, item, &temp);
    temp.Close();
    // Data that failed its check never replaces what the user has.
    if (!good)
        return;
    if (makeFolder && !ZpForceDirectories(folder))
        throw EZpNoSuchDirectory();
    // An existing file that cannot be replaced (read-only, say) keeps its
    // old content; that is reported as a failure of the item, not passed
    // over as a success.
    if (!ZpCopyFile(temp.FileName(), full))
        throw EZpException(ZpFormatMessage(zmcMoveFile, {temp.FileName(), full}), zmcMoveFile);
    ZpFileSetDate(full, ZpDosDateTime(item.LastModFileDate(), item.LastModFileTime()));
    ZpFileSetAttr(full, item.ExternalFileAttributes() & kRestoredAttributes);
}
