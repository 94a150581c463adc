#include "zip/ZpZipRec.h"

#include <array>
#include <span>

#include "zip/ZpExcept.h"

namespace {

// Reads exactly n bytes; a stream that ends early means the archive was cut
// short, which is an invalid archive rather than a stream fault.
void ReadExact(TStream& stream, uint8_t* data, size_t n)
{
    if (ZpReadUpTo(stream, std::span(data, n)) < n)
        throw EZpZipInvalid();
}

std::string ReadText(TStream& stream, size_t n)
{
    std::string s(n, '\0');
    if (n > 0)
        ReadExact(stream, reinterpret_cast<uint8_t*>(s.data()), n);
    return s;
}

void WriteText(TStream& stream, const std::string& s)
{
    if (!s.empty())
        stream.WriteBuffer(std::span(reinterpret_cast<const uint8_t*>(s.data()), s.size()));
}

uint16_t Len16(const std::string& s)
{
    // Callers keep names and comments below 64 KiB; longer text would not
    // round-trip, so it is refused rather than silently cut.
    if (s.size() > 0xFFFF)
        throw EZpException("Name or comment too long for a ZIP record", zmcZipInvalid);
    return static_cast<uint16_t>(s.size());
}

void ExpectSignature(const uint8_t* p, uint32_t sig)
{
    if (ZpGet32(p) != sig)
        throw EZpZipInvalid();
}

// The eight fields a local header and a directory record share, stored in
// the same order in both (from offset 4 and 6 respectively).
template <class Record>
void PutSharedFields(uint8_t* p, const Record& r)
{
    ZpPut16(p + 0, r.VersionNeededToExtract);
    ZpPut16(p + 2, r.GeneralPurposeFlags);
    ZpPut16(p + 4, r.CompressionMethod);
    ZpPut16(p + 6, r.LastModFileTime);
    ZpPut16(p + 8, r.LastModFileDate);
    ZpPut32(p + 10, r.Crc32);
    ZpPut32(p + 14, r.CompressedSize);
    ZpPut32(p + 18, r.UncompressedSize);
}

template <class Record>
void GetSharedFields(const uint8_t* p, Record& r)
{
    r.VersionNeededToExtract = ZpGet16(p + 0);
    r.GeneralPurposeFlags = ZpGet16(p + 2);
    r.CompressionMethod = ZpGet16(p + 4);
    r.LastModFileTime = ZpGet16(p + 6);
    r.LastModFileDate = ZpGet16(p + 8);
    r.Crc32 = ZpGet32(p + 10);
    r.CompressedSize = ZpGet32(p + 14);
    r.UncompressedSize = ZpGet32(p + 18);
}

} // namespace

size_t ZpReadUpTo(TStream& stream, std::span<uint8_t> buffer)
{
    size_t done = 0;
    while (done < buffer.size()) {
        const size_t got = stream.Read(buffer.subspan(done));
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

TZpZipLocalFileHeader ZpLocalHeaderFor(const TZpZipDirectoryFileHeader& header)
{
    TZpZipLocalFileHeader local;
    local.VersionNeededToExtract = header.VersionNeededToExtract;
    local.GeneralPurposeFlags = header.GeneralPurposeFlags;
    local.CompressionMethod = header.CompressionMethod;
    local.LastModFileTime = header.LastModFileTime;
    local.LastModFileDate = header.LastModFileDate;
    local.Crc32 = header.Crc32;
    local.CompressedSize = header.CompressedSize;
    local.UncompressedSize = header.UncompressedSize;
    local.FileName = header.FileName;
    return local;
}

void TZpZipLocalFileHeader::Write(TStream& stream) const
{
    std::array<uint8_t, kFixedSize> b{};
    ZpPut32(&b[0], kZpLocalFileHeaderSig);
    PutSharedFields(&b[4], *this);
    ZpPut16(&b[26], Len16(FileName));
    ZpPut16(&b[28], Len16(ExtraField));
    stream.WriteBuffer(b);
    WriteText(stream, FileName);
    WriteText(stream, ExtraField);
}

void TZpZipLocalFileHeader::Read(TStream& stream)
{
    std::array<uint8_t, kFixedSize> b{};
    ReadExact(stream, b.data(), b.size());
    ExpectSignature(&b[0], kZpLocalFileHeaderSig);
    GetSharedFields(&b[4], *this);
    const uint16_t nameLen = ZpGet16(&b[26]);
    const uint16_t extraLen = ZpGet16(&b[28]);
    FileName = ReadText(stream, nameLen);
    ExtraField = ReadText(stream, extraLen);
}

void TZpZipDataDescriptor::Write(TStream& stream) const
{
    std::array<uint8_t, kSize> b{};
    ZpPut32(&b[0], kZpDataDescriptorSig);
    ZpPut32(&b[4], Crc32);
    ZpPut32(&b[8], CompressedSize);
    ZpPut32(&b[12], UncompressedSize);
    stream.WriteBuffer(b);
}

void TZpZipDataDescriptor::Read(TStream& stream)
{
    std::array<uint8_t, kSize> b{};
    ReadExact(stream, b.data(), b.size());
    ExpectSignature(&b[0], kZpDataDescriptorSig);
    Crc32 = ZpGet32(&b[4]);
    CompressedSize = ZpGet32(&b[8]);
    UncompressedSize = ZpGet32(&b[12]);
}

void TZpZipDirectoryFileHeader::Write(TStream& stream) const
{
    std::array<uint8_t, kFixedSize> b{};
    ZpPut32(&b[0], kZpDirectoryFileHeaderSig);
    ZpPut16(&b[4], VersionMadeBy);
    PutSharedFields(&b[6], *this);
    ZpPut16(&b[28], Len16(FileName));
    ZpPut16(&b[30], Len16(ExtraField));
    ZpPut16(&b[32], Len16(FileComment));
    ZpPut16(&b[34], DiskNumberStart);
    ZpPut16(&b[36], InternalFileAttributes);
    ZpPut32(&b[38], ExternalFileAttributes);
    ZpPut32(&b[42], RelativeOffsetOfLocalHeader);
    stream.WriteBuffer(b);
    WriteText(stream, FileName);
    WriteText(stream, ExtraField);
    WriteText(stream, FileComment);
}

void TZpZipDirectoryFileHeader::Read(TStream& stream)
{
    std::array<uint8_t, kFixedSize> b{};
    ReadExact(stream, b.data(), b.size());
    ExpectSignature(&b[0], kZpDirectoryFileHeaderSig);
    VersionMadeBy = ZpGet16(&b[4]);
    GetSharedFields(&b[6], *this);
    const uint16_t nameLen = ZpGet16(&b[28]);
    const uint16_t extraLen = ZpGet16(&b[30]);
    const uint16_t commentLen = ZpGet16(&b[32]);
    DiskNumberStart = ZpGet16(&b[34]);
    InternalFileAttributes = ZpGet16(&b[36]);
    ExternalFileAttributes = ZpGet32(&b[38]);
    RelativeOffsetOfLocalHeader = ZpGet32(&b[42]);
    FileName = ReadText(stream, nameLen);
    ExtraField = ReadText(stream, extraLen);
    FileComment = ReadText(stream, commentLen);
}

void TZpZipDirectoryFileFooter::Write(TStream& stream) const
{
    std::array<uint8_t, kFixedSize> b{};
    ZpPut32(&b[0], kZpEndOfDirectorySig);
    ZpPut16(&b[4], NumberOfThisDisk);
    ZpPut16(&b[6], DiskWithStartOfDirectory);
    ZpPut16(&b[8], EntriesOnThisDisk);
    ZpPut16(&b[10], TotalEntries);
    ZpPut32(&b[12], DirectorySize);
    ZpPut32(&b[16], DirectoryOffset);
    ZpPut16(&b[20], Len16(ZipComment));
    stream.WriteBuffer(b);
    WriteText(stream, ZipComment);
}

void TZpZipDirectoryFileFooter::Read(TStream& stream)
{
    std::array<uint8_t, kFixedSize> b{};
    ReadExact(stream, b.data(), b.size());
    ExpectSignature(&b[0], kZpEndOfDirectorySig);
    NumberOfThisDisk = ZpGet16(&b[4]);
    DiskWithStartOfDirectory = ZpGet16(&b[6]);
    EntriesOnThisDisk = ZpGet16(&b[8]);
    TotalEntries = ZpGet16(&b[10]);
    DirectorySize = ZpGet32(&b[12]);
    DirectoryOffset = ZpGet32(&b[16]);
    const uint16_t commentLen = ZpGet16(&b[20]);
    // Trailing garbage may leave the comment short; keep what is there.
    std::string comment(commentLen, '\0');
    comment.resize(ZpReadUpTo(stream, std::span(reinterpret_cast<uint8_t*>(comment.data()), comment.size())));
    ZipComment = std::move(comment);
}
