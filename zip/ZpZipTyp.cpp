#include "zip/ZpZipTyp.h"

#include <algorithm>
#include <array>
#include <vector>

#include "zip/ZpExcept.h"
#include "zip/ZpUtilsFs.h"
#include "zip/deflate/ZpCrc32.h"

namespace {

constexpr uint16_t kExtraZip64 = 0x0001;
constexpr uint16_t kExtraUnicodePath = 0x7075;   // Info-ZIP Unicode path field
constexpr uint8_t kHostUnix = 3;

// Data of the first extra-field block with that tag; empty when absent.
std::string ExtraBlock(const std::string& extra, uint16_t tag, bool& found)
{
    found = false;
    size_t p = 0;
    const auto* b = reinterpret_cast<const uint8_t*>(extra.data());
    while (p + 4 <= extra.size()) {
        const uint16_t id = ZpGet16(b + p);
        const uint16_t len = ZpGet16(b + p + 2);
        if (p + 4 + len > extra.size())
            break;
        if (id == tag) {
            found = true;
            return extra.substr(p + 4, len);
        }
        p += 4 + len;
    }
    return {};
}

bool HasHighBytes(const std::string& s)
{
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<uint8_t>(c) >= 0x80; });
}

uint32_t Read32At(TStream& stream, int64_t position, bool& ok)
{
    std::array<uint8_t, 4> b{};
    ok = false;
    if (position < 0)
        return 0;
    stream.SetPosition(position);
    if (ZpReadUpTo(stream, b) < b.size())
        return 0;
    ok = true;
    return ZpGet32(b.data());
}

} // namespace

// ---- TZpZipItem ---------------------------------------------------------------

TZpZipItem::TZpZipItem(TZpZipDirectoryFileHeader header) : Header(std::move(header))
{
    TZpArchiveItem::SetFileName(DecodeName(Header));
    const std::string name = TZpArchiveItem::FileName();
    DiskFileName = ZpReplaceAll(name, '/', '\\');
    IsDirectory = !name.empty() && (name.back() == '/' || name.back() == '\\');
}

std::string TZpZipItem::DecodeName(const TZpZipDirectoryFileHeader& header)
{
    const std::string& raw = header.FileName;
    if (header.GeneralPurposeFlags & kZpFlagUtf8)
        return ZpIsValidUtf8(raw) ? raw : ZpAnsiToUtf8(raw);
    bool found = false;
    const std::string unicode = ExtraBlock(header.ExtraField, kExtraUnicodePath, found);
    // Version 1, CRC-32 of the raw name, then the UTF-8 name: trusted only
    // while the raw name is the one it was made for.
    if (found && unicode.size() > 5 && unicode[0] == 1) {
        const auto* u = reinterpret_cast<const uint8_t*>(unicode.data());
        const uint32_t crc = ZpCrc32(reinterpret_cast<const uint8_t*>(raw.data()), raw.size());
        const std::string name = unicode.substr(5);
        if (ZpGet32(u + 1) == crc && ZpIsValidUtf8(name))
            return name;
    }
    const uint8_t host = static_cast<uint8_t>(header.VersionMadeBy >> 8);
    if (host == kZpHostMsDos)
        return ZpOemToUtf8(raw);
    // Unix tools write the bytes of the local file system, UTF-8 nowadays.
    if (host == kHostUnix && HasHighBytes(raw) && ZpIsValidUtf8(raw))
        return raw;
    return ZpAnsiToUtf8(raw);
}

void TZpZipItem::SetCompressedSize(int64_t value)
{
    if (value < 0 || value > 0xFFFFFFFFLL)
        throw EZpFileTooLarge();
    Header.CompressedSize = static_cast<uint32_t>(value);
}

void TZpZipItem::SetFileName(const std::string& value)
{
    TZpArchiveItem::SetFileName(value);
    std::string ansi;
    if (ZpUtf8ToAnsi(value, ansi)) {
        Header.FileName = ansi;
        Header.GeneralPurposeFlags &= static_cast<uint16_t>(~kZpFlagUtf8);
    } else {
        Header.FileName = value;
        Header.GeneralPurposeFlags |= kZpFlagUtf8;
    }
}

void TZpZipItem::SetIsEncrypted(bool value)
{
    if (value)
        Header.GeneralPurposeFlags |= kZpFlagEncrypted;
    else
        Header.GeneralPurposeFlags &= static_cast<uint16_t>(~kZpFlagEncrypted);
}

void TZpZipItem::SetUncompressedSize(int64_t value)
{
    // The record holds 32 bits; anything larger is refused before it is cut.
    if (value < 0 || value > 4294967295LL)
        throw EZpFileTooLarge();
    Header.UncompressedSize = static_cast<uint32_t>(value);
    TZpArchiveItem::SetUncompressedSize(value);
}

// ---- TZpZipArchive: construction ---------------------------------------------

TZpZipArchive::TZpZipArchive(const std::string& fileName, TZpOpenMode mode)
    : TZpArchive(ZpExpandFileName(fileName))
{
    if (mode == omCreate)
        SetOwnedStream(ZpOpenFile(ArchiveName, fmCreate, fsShareDenyWrite));
    else
        SetOwnedStream(ZpOpenFile(ArchiveName, fmOpenRead, fsShareDenyNone));
    Status = ArchiveStatus::Idle;
    StoreOptions = soStripDrive;
}

TZpZipArchive::TZpZipArchive(TStream& stream) : TZpArchive(stream)
{
    Status = ArchiveStatus::Idle;
    StoreOptions = soStripDrive;
}

TZpZipArchive::~TZpZipArchive() = default;

// ---- items -----------------------------------------------------------------------

std::unique_ptr<TZpArchiveItem> TZpZipArchive::MakeItem(const std::string& path)
{
    auto item = std::make_unique<TZpZipItem>();
    item->Header.CompressionMethod = 8;
    item->Header.VersionMadeBy = 20;
    std::string p = path;
    if (ZpDirectoryExists(p)) {
        item->IsDirectory = true;
        if (p.empty() || p.back() != '\\')
            p += '\\';
    }
    const std::string full = ZpExpandFileName(p);
    if (HasHighBytes(full))
        item->SetHostSystem(kZpHostNtfs);
    item->DiskFileName = full;
    item->SetFileName(StoredNameFor(p));
    item->Header.RelativeOffsetOfLocalHeader = 0;
    return item;
}

std::string TZpZipArchive::StoredNameFor(const std::string& path)
{
    // Short 8.3 names do not exist on this platform, so DOS mode keeps the
    // long names.
    StoreOptions |= soStripDrive;
    return ZpStoredNameFor(path, StoreOptions);
}

// ---- reading ---------------------------------------------------------------------

int64_t TZpZipArchive::FindEndRecord(TStream& stream)
{
    constexpr int64_t kFixed = TZpZipDirectoryFileFooter::kFixedSize;
    // The search stays on the current disk of a span stream.
    TZpSpanSuspend suspend(stream);
    const int64_t saved = stream.Position();
    const int64_t size = stream.Size();
    const int64_t kLimit = dynamic_cast<TZpSpanStream*>(&stream) && size > 0 && size < 65536 ? size : 65536;

    if (size >= kFixed) {
        std::array<uint8_t, kFixed> b{};
        stream.SetPosition(size - kFixed);
        if (ZpReadUpTo(stream, b) == b.size() && ZpGet32(b.data()) == kZpEndOfDirectorySig && ZpGet16(&b[20]) == 0) {
            stream.SetPosition(size - kFixed);
            return size - kFixed;
        }
    }

    int64_t window = 512;
    int64_t windowEnd = size;
    std::vector<uint8_t> buffer;
    for (;;) {
        int64_t start = windowEnd - window;
        const bool last = start <= 0;
        if (last)
            start = 0;
        buffer.resize(static_cast<size_t>(windowEnd - start));
        stream.SetPosition(start);
        const size_t got = ZpReadUpTo(stream, buffer);
        if (got < static_cast<size_t>(kFixed))
            break;
        for (int64_t i = static_cast<int64_t>(got) - kFixed; i >= 0; --i) {
            const uint8_t* p = buffer.data() + i;
            if (ZpGet32(p) != kZpEndOfDirectorySig)
                continue;
            const int64_t after = size - (start + i + kFixed);
            if (after >= ZpGet16(p + 20)) {
                stream.SetPosition(start + i);
                return start + i;
            }
        }
        if (last)
            break;
        window = std::min(window * 2, kLimit);
        windowEnd = start + 4;
    }
    stream.SetPosition(saved);
    return -1;
}

void TZpZipArchive::ReadZip()
{
    AutoImageNames = false;
    Items.Clear();
    TStream& stream = *Stream();
    const int64_t size = stream.Size();
    if (size == 0)
        return;

    bool ok = false;
    const uint32_t first = Read32At(stream, 0, ok);
    if (!ok) {
        Status = ArchiveStatus::Invalid;
        throw EZpZipInvalid();
    }
    IsExecutable = (first & 0xFFFF) == 0x5A4D;   // "MZ"
    if (OwnsStream() && !ArchiveName.empty())
        IsDriveRemovable = DriveIsRemovable(ArchiveName);

    const bool marker = first == kZpDataDescriptorSig || first == kZpSingleDiskMarker;
    int64_t endPos = -1;
    if (!marker) {
        endPos = FindEndRecord(stream);
        if (endPos < 0)
            throw EZpZipInvalid();
    } else if (!IsDriveRemovable) {
        endPos = FindEndRecord(stream);
    }
    if (endPos < 0) {
        if ((first & 0xFFFF) != 0x4B50) {   // "PK"
            Status = ArchiveStatus::Invalid;
            throw EZpZipInvalid();
        }
        // Only a removable drive can change what the name holds, and only a
        // handler can ask for that; otherwise one look is all there is.
        int tries = 0;
        while (endPos < 0) {
            if (tries++ > 0 && (!IsDriveRemovable || !OnRequestLastDisk))
                throw EZpZipInvalid();
            bool abort = false;
            RequestDisk(-1, abort);
            if (abort)
                throw EZpUserAbort();
            endPos = FindEndRecord(*Stream());
        }
        IsSpanned = true;
    }
    TStream& s = *Stream();

    // A ZIP64 archive keeps its real values in records this reader does not
    // take; reading on would give wrong offsets and sizes.
    if (endPos >= 20) {
        bool okLoc = false;
        if (Read32At(s, endPos - 20, okLoc) == kZpZip64LocatorSig && okLoc)
            throw EZpZip64();
    }
    s.SetPosition(endPos);
    Footer.Read(s);
    if (Footer.TotalEntries == 0xFFFF || Footer.DirectoryOffset == 0xFFFFFFFFu || Footer.DirectorySize == 0xFFFFFFFFu)
        throw EZpZip64();
    CurrentDisk = Footer.NumberOfThisDisk;
    if (CurrentDisk != 0)
        IsSpanned = true;
    if (IsSpanned && !IsDriveRemovable)
        AutoImageNames = true;
    if (!IsSpanned && Footer.DirectoryOffset > endPos)
        throw EZpZipInvalid();

    TStream* cur = Stream();
    cur->SetPosition(Footer.DirectoryOffset);
    int count = 0;
    int64_t smallestOffset = -1;
    for (;;) {
        cur = Stream();
        const int64_t pos = cur->Position();
        if (CurrentDisk == Footer.NumberOfThisDisk && pos >= endPos) {
            if (pos > endPos)
                throw EZpZipInvalid();
            break;
        }
        if (IsSpanned && CurrentDisk < Footer.NumberOfThisDisk &&
            (count == Footer.EntriesOnThisDisk || pos >= cur->Size())) {
            ++CurrentDisk;
            bool abort = false;
            RequestDisk(CurrentDisk, abort);
            if (abort)
                throw EZpUserAbort();
            continue;
        }
        TZpZipDirectoryFileHeader header;
        header.Read(*cur);
        if ((header.CompressedSize == 0xFFFFFFFFu || header.UncompressedSize == 0xFFFFFFFFu ||
             header.RelativeOffsetOfLocalHeader == 0xFFFFFFFFu)) {
            bool found = false;
            ExtraBlock(header.ExtraField, kExtraZip64, found);
            if (found)
                throw EZpZip64();
        }
        if (smallestOffset < 0 || header.RelativeOffsetOfLocalHeader < smallestOffset)
            smallestOffset = header.RelativeOffsetOfLocalHeader;
        auto item = std::make_unique<TZpZipItem>(std::move(header));
        item->Action = ItemAction::Unchanged;
        Items.Add(std::move(item));
        ++count;
        bool abort = false;
        DoArchiveProgress(PercentOf(count, Footer.TotalEntries), abort);
        if (abort) {
            Status = ArchiveStatus::Invalid;
            throw EZpUserAbort();
        }
    }
    bool abort = false;
    DoArchiveProgress(100, abort);
    if (IsExecutable && smallestOffset >= 0)
        StubSize = smallestOffset;
    IsDirty = false;
}

// ---- extraction through the helpers --------------------------------------------------

void TZpZipArchive::ExtractItemToFile(TZpArchiveItem& item, const std::string& targetName)
{
    if (!ExtractFileHelper)
        throw EZpException("Cannot extract file - no extraction support provided");
    ExtractFileHelper(*this, static_cast<TZpZipItem&>(item), targetName);
}

void TZpZipArchive::ExtractItemToStream(TZpArchiveItem& item, TStream* target)
{
    if (!ExtractStreamHelper)
        throw EZpException("Cannot extract file - no extraction support provided");
    ExtractStreamHelper(*this, static_cast<TZpZipItem&>(item), target);
}

void TZpZipArchive::TestItem(TZpArchiveItem& item)
{
    if (!TestHelper)
        throw EZpException("Cannot test file - no test support provided");
    TestHelper(*this, static_cast<TZpZipItem&>(item));
}
