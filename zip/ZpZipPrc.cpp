#include "zip/ZpZipPrc.h"

#include <limits>

#include "zip/ZpExcept.h"
#include "zip/ZpUtilsFs.h"
#include "zip/ZpVMStrm.h"
#include "zip/deflate/ZpDfEnc.h"

namespace {

void SetDosDateTime(TZpZipItem& item, uint32_t dateTime)
{
    item.SetLastModFileDate(static_cast<uint16_t>(dateTime >> 16));
    item.SetLastModFileTime(static_cast<uint16_t>(dateTime & 0xFFFF));
}

void SetVersionMadeByLow(TZpZipItem& item, uint8_t low)
{
    item.Header.VersionMadeBy = static_cast<uint16_t>((item.Header.VersionMadeBy & 0xFF00) | low);
}

} // namespace

void ZipFileItem(TZpZipArchive& archive, TZpZipItem& item, TStream& target)
{
    TZpCurrentDir dir(archive.BaseDirectory());
    const std::string& file = item.DiskFileName;
    const int64_t attr = ZpFileGetAttr(file);
    if (attr < 0)
        throw EZpFileNotFound();
    item.SetExternalFileAttributes(static_cast<uint32_t>(attr));
    if (attr & faDirectory) {
        item.SetCrc32(0);
        item.Header.VersionNeededToExtract = 20;
        item.Header.CompressionMethod = 0;
        item.SetCompressedSize(0);
        item.SetUncompressedSize(0);
        SetVersionMadeByLow(item, 20);
        // The folder's own time, so the entry carries a real date.
        const uint32_t date = ZpFileGetDate(file);
        SetDosDateTime(item, date == 0xFFFFFFFFu ? ZpNowDosDateTime() : date);
        return;
    }
    std::unique_ptr<TStream> source = ZpOpenFile(file, fmOpenRead, fsShareDenyWrite);
    item.SetUncompressedSize(source->Size());
    const uint32_t date = ZpFileGetDate(file);
    dir.Restore();
    SetDosDateTime(item, date == 0xFFFFFFFFu ? ZpNowDosDateTime() : date);
    ZipStreamItem(archive, item, target, *source);
}

void ZipStreamItem(TZpZipArchive& archive, TZpZipItem& item, TStream& target, TStream& source)
{
    const int64_t size = source.Size() - source.Position();
    item.SetUncompressedSize(size);
    item.Header.GeneralPurposeFlags &= kZpFlagUtf8;   // the name's encoding stays
    item.SetCompressedSize(0);
    if (!ZpIsFileStream(source)) {
        SetDosDateTime(item, ZpNowDosDateTime());
        item.SetExternalFileAttributes(0);
    }
    SetVersionMadeByLow(item, 20);
    if (!archive.Password.empty())
        throw EZpZipEncrypted();

    if (size > 0) {
        switch (archive.CompressionMethodToUse) {
        case smStored:
            StoreData(archive, item, target, source);
            break;
        case smDeflated:
            DeflateData(archive, item, target, source);
            break;
        case smBestMethod: {
            const int64_t start = source.Position();
            auto temp = std::make_unique<TZpVirtualMemoryStream>(archive.TempDirectory);
            DeflateData(archive, item, *temp, source);
            if (size < temp->Size()) {
                source.SetPosition(start);
                temp = std::make_unique<TZpVirtualMemoryStream>(archive.TempDirectory);
                StoreData(archive, item, *temp, source);
            }
            temp->SetPosition(0);
            target.CopyFrom(*temp, temp->Size());
            break;
        }
        }
    } else {
        TZpVirtualMemoryStream temp(archive.TempDirectory);
        StoreData(archive, item, temp, source);
        item.SetCrc32(0);
    }
    item.Header.VersionNeededToExtract = item.Header.CompressionMethod == 8 ? 20 : 10;
    item.SetCompressedSize(target.Size());
    item.Header.InternalFileAttributes = 0;
}

void StoreData(TZpZipArchive& archive, TZpZipItem& item, TStream& target, TStream& source)
{
    item.Header.CompressionMethod = 0;
    bool abort = false;
    item.SetCrc32(ZpCopyWithProgress(archive, source, target, std::numeric_limits<int64_t>::max(),
                                     item.UncompressedSize(), 8192, abort));
    if (abort)
        throw EZpUserAbort();
}

void DeflateData(TZpZipArchive& archive, TZpZipItem& item, TStream& target, TStream& source)
{
    item.Header.CompressionMethod = 8;
    TZpDeflateHelper helper;
    helper.SourceSize = item.UncompressedSize();
    helper.SetPresetLetter('0');
    uint16_t levelBits = 0;
    switch (archive.DeflationOption) {
    case doNormal: helper.SetPresetLetter('n'); break;
    case doMaximum: helper.SetPresetLetter('x'); levelBits = 2; break;
    case doFast: helper.SetPresetLetter('f'); levelBits = 4; break;
    case doSuperFast: helper.SetPresetLetter('s'); levelBits = 6; break;
    case doInvalid: break;
    }
    item.Header.GeneralPurposeFlags |= levelBits;
    helper.PercentHook = [&archive](int percent) { archive.DeflateProgress(percent); };
    helper.CryptCheck = static_cast<int32_t>(uint32_t(item.LastModFileTime()) << 16);
    item.SetCrc32(Deflate(&source, &target, &helper));
}
