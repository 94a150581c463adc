// Builds ZIP archives byte by byte for reader tests, with whatever names,
// flags and versions a test needs (peer tools would refuse or clean them).
#pragma once

#include <string>
#include <vector>

#include "platform/Stream.h"
#include "zip/ZpZipRec.h"
#include "zip/deflate/ZpCrc32.h"
#include "zip/deflate/ZpDfEnc.h"

namespace ziptest {

struct TRawEntry {
    std::string name;            // raw bytes of the record
    std::string data;            // uncompressed content
    uint16_t method = 0;         // 0 stored, 8 deflated
    uint16_t versionMadeBy = 20;
    uint16_t versionNeeded = 10;
    uint16_t flags = 0;
    uint32_t attributes = 0x20;
    uint16_t date = (46 << 9) | (6 << 5) | 15;   // 2026-06-15
    uint16_t time = (12 << 11) | (34 << 5) | 28; // 12:34:56
    int64_t declaredSize = -1;                   // a lie about the uncompressed size
};

inline std::string RawZip(const std::vector<TRawEntry>& entries, const std::string& prefix = {},
                          const std::string& comment = {}, const std::string& trailer = {})
{
    TMemoryStream out;
    const auto* p = reinterpret_cast<const uint8_t*>(prefix.data());
    out.WriteBuffer(std::span(p, prefix.size()));
    TMemoryStream directory;
    for (const TRawEntry& e : entries) {
        std::string packed = e.data;
        if (e.method == 8) {
            TMemoryStream src(std::vector<uint8_t>(e.data.begin(), e.data.end())), dst;
            Deflate(&src, &dst, nullptr);
            packed.assign(dst.Bytes().begin(), dst.Bytes().end());
        }
        TZpZipDirectoryFileHeader c;
        c.VersionMadeBy = e.versionMadeBy;
        c.VersionNeededToExtract = e.versionNeeded;
        c.GeneralPurposeFlags = e.flags;
        c.CompressionMethod = e.method;
        c.LastModFileDate = e.date;
        c.LastModFileTime = e.time;
        c.Crc32 = ZpCrc32(reinterpret_cast<const uint8_t*>(e.data.data()), e.data.size());
        c.CompressedSize = static_cast<uint32_t>(packed.size());
        c.UncompressedSize = static_cast<uint32_t>(e.declaredSize >= 0 ? e.declaredSize : int64_t(e.data.size()));
        c.ExternalFileAttributes = e.attributes;
        c.RelativeOffsetOfLocalHeader = static_cast<uint32_t>(out.Position());
        c.FileName = e.name;
        ZpLocalHeaderFor(c).Write(out);
        out.WriteBuffer(std::span(reinterpret_cast<const uint8_t*>(packed.data()), packed.size()));
        c.Write(directory);
    }
    TZpZipDirectoryFileFooter f;
    f.EntriesOnThisDisk = f.TotalEntries = static_cast<uint16_t>(entries.size());
    f.DirectorySize = static_cast<uint32_t>(directory.Size());
    f.DirectoryOffset = static_cast<uint32_t>(out.Position());
    f.ZipComment = comment;
    directory.SetPosition(0);
    out.CopyFrom(directory, directory.Size());
    f.Write(out);
    out.WriteBuffer(std::span(reinterpret_cast<const uint8_t*>(trailer.data()), trailer.size()));
    return std::string(out.Bytes().begin(), out.Bytes().end());
}

} // namespace ziptest
