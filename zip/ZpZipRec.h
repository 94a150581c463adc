// The records of a ZIP archive, each able to write itself to a stream and to
// read itself from the stream's current position. Integers are
// little-endian; names, extra fields and comments are kept as the raw bytes
// of the file (decoding the name is the item's business).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/Stream.h"

constexpr uint32_t kZpLocalFileHeaderSig = 0x04034B50;
constexpr uint32_t kZpDirectoryFileHeaderSig = 0x02014B50;
constexpr uint32_t kZpEndOfDirectorySig = 0x06054B50;
constexpr uint32_t kZpDataDescriptorSig = 0x08074B50;   // also the spanned-set marker
constexpr uint32_t kZpSingleDiskMarker = 0x30304B50;    // "PK00"
constexpr uint32_t kZpZip64EndSig = 0x06064B50;
constexpr uint32_t kZpZip64LocatorSig = 0x07064B50;

// General purpose flag bits.
constexpr uint16_t kZpFlagEncrypted = 0x0001;
constexpr uint16_t kZpFlagDataDescriptor = 0x0008;
constexpr uint16_t kZpFlagUtf8 = 0x0800;

// Host byte (high byte of version made by).
constexpr uint8_t kZpHostMsDos = 0;
constexpr uint8_t kZpHostNtfs = 11;

struct TZpZipLocalFileHeader {
    static constexpr size_t kFixedSize = 30;
    uint16_t VersionNeededToExtract = 0;
    uint16_t GeneralPurposeFlags = 0;
    uint16_t CompressionMethod = 0;
    uint16_t LastModFileTime = 0;
    uint16_t LastModFileDate = 0;
    uint32_t Crc32 = 0;
    uint32_t CompressedSize = 0;
    uint32_t UncompressedSize = 0;
    std::string FileName;
    std::string ExtraField;

    void Write(TStream& stream) const;
    // Raises EZpZipInvalid on a wrong signature or a record cut short.
    void Read(TStream& stream);
};

struct TZpZipDataDescriptor {
    static constexpr size_t kSize = 16;
    uint32_t Crc32 = 0;
    uint32_t CompressedSize = 0;
    uint32_t UncompressedSize = 0;

    void Write(TStream& stream) const;
    void Read(TStream& stream);
};

struct TZpZipDirectoryFileHeader {
    static constexpr size_t kFixedSize = 46;
    uint16_t VersionMadeBy = 20;
    uint16_t VersionNeededToExtract = 0;
    uint16_t GeneralPurposeFlags = 0;
    uint16_t CompressionMethod = 0;
    uint16_t LastModFileTime = 0;
    uint16_t LastModFileDate = 0;
    uint32_t Crc32 = 0;
    uint32_t CompressedSize = 0;
    uint32_t UncompressedSize = 0;
    uint16_t DiskNumberStart = 0;
    uint16_t InternalFileAttributes = 0;
    uint32_t ExternalFileAttributes = 0;
    uint32_t RelativeOffsetOfLocalHeader = 0;
    std::string FileName;
    std::string ExtraField;
    std::string FileComment;

    void Write(TStream& stream) const;
    void Read(TStream& stream);
};

// The local header an entry's directory record stands for: the shared
// fields and the name, no extra field.
TZpZipLocalFileHeader ZpLocalHeaderFor(const TZpZipDirectoryFileHeader& header);

struct TZpZipDirectoryFileFooter {
    static constexpr size_t kFixedSize = 22;
    uint16_t NumberOfThisDisk = 0;
    uint16_t DiskWithStartOfDirectory = 0;
    uint16_t EntriesOnThisDisk = 0;
    uint16_t TotalEntries = 0;
    uint32_t DirectorySize = 0;
    uint32_t DirectoryOffset = 0;
    std::string ZipComment;

    void Write(TStream& stream) const;
    void Read(TStream& stream);
};

// Reads until buffer is full or the stream ends; the count read (a stream's
// Read may move fewer bytes than asked before its end).
size_t ZpReadUpTo(TStream& stream, std::span<uint8_t> buffer);

// Little-endian field access over byte buffers.
inline uint16_t ZpGet16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ZpGet32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void ZpPut16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void ZpPut32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
