// The ZIP format of the archive model: the item that owns its central
// directory record, and the ZIP archive with its reader (ReadZip,
// FindEndRecord) and writer (WriteZip).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "zip/ZpArchive.h"
#include "zip/ZpSpanSt.h"
#include "zip/ZpZipRec.h"

enum TZpZipSupportedMethod { smStored, smDeflated, smBestMethod };
enum TZpZipDeflationOption { doNormal, doMaximum, doFast, doSuperFast, doInvalid };

class TZpZipItem : public TZpArchiveItem {
public:
    TZpZipItem() = default;
    // An item read from the central directory (name decoded here).
    explicit TZpZipItem(TZpZipDirectoryFileHeader header);

    int64_t CompressedSize() const override { return Header.CompressedSize; }
    uint32_t Crc32() const override { return Header.Crc32; }
    uint32_t ExternalFileAttributes() const override { return Header.ExternalFileAttributes; }
    bool IsEncrypted() const override { return (Header.GeneralPurposeFlags & kZpFlagEncrypted) != 0; }
    uint16_t LastModFileDate() const override { return Header.LastModFileDate; }
    uint16_t LastModFileTime() const override { return Header.LastModFileTime; }
    int64_t UncompressedSize() const override { return Header.UncompressedSize; }

    void SetCompressedSize(int64_t value) override;
    void SetCrc32(uint32_t value) override { Header.Crc32 = value; }
    void SetExternalFileAttributes(uint32_t value) override { Header.ExternalFileAttributes = value; }
    // Encodes the name for the record: Windows-1252 when every character has
    // a byte there, otherwise UTF-8 with flag bit 11 (so no name is lost).
    void SetFileName(const std::string& value) override;
    void SetIsEncrypted(bool value) override;
    void SetLastModFileDate(uint16_t value) override { Header.LastModFileDate = value; }
    void SetLastModFileTime(uint16_t value) override { Header.LastModFileTime = value; }
    void SetUncompressedSize(int64_t value) override;

    uint8_t HostSystem() const { return static_cast<uint8_t>(Header.VersionMadeBy >> 8); }
    void SetHostSystem(uint8_t host) { Header.VersionMadeBy = static_cast<uint16_t>((host << 8) | (Header.VersionMadeBy & 0xFF)); }

    // The decoded name of record bytes: UTF-8 when flag bit 11 is set (or an
    // Info-ZIP Unicode path field vouches for it), CP437 for MS-DOS-made
    // entries, Windows-1252 otherwise.
    static std::string DecodeName(const TZpZipDirectoryFileHeader& header);

    TZpZipDirectoryFileHeader Header;
    // Source of an AddFromStream item (not owned).
    TStream* InputStream = nullptr;
};

class TZpZipArchive;
using TZpInsertFileHelper = std::function<void(TZpZipArchive& archive, TZpZipItem& item, TStream& target)>;
using TZpInsertStreamHelper =
    std::function<void(TZpZipArchive& archive, TZpZipItem& item, TStream& target, TStream& source)>;
using TZpExtractFileHelper = std::function<void(TZpZipArchive& archive, TZpZipItem& item, const std::string& target)>;
using TZpExtractStreamHelper = std::function<void(TZpZipArchive& archive, TZpZipItem& item, TStream* target)>;
using TZpTestHelper = std::function<void(TZpZipArchive& archive, TZpZipItem& item)>;
using TZpNeedPasswordEvent = std::function<void(std::string& newPassword)>;

enum TZpOpenMode { omOpenRead, omCreate };

class TZpZipArchive : public TZpArchive {
public:
    // omOpenRead opens an existing file with shared read access (read it with
    // Load); omCreate makes a new, empty file. Relative names are expanded.
    TZpZipArchive(const std::string& fileName, TZpOpenMode mode);
    // An archive over a caller's stream (read it with Load; a commit
    // rewrites the stream).
    explicit TZpZipArchive(TStream& stream);
    ~TZpZipArchive() override;

    int64_t SizeLimit() const override { return 0x7FFFFFFFFFFFFFFFLL; }
    bool SupportsEmptyFolders() const override { return true; }
    std::unique_ptr<TZpArchiveItem> MakeItem(const std::string& path) override;
    void ExtractItemToFile(TZpArchiveItem& item, const std::string& targetName) override;
    void ExtractItemToStream(TZpArchiveItem& item, TStream* target) override;
    void ReadZip() override;
    void WriteZip() override;
    void TestItem(TZpArchiveItem& item) override;
    std::string StoredNameFor(const std::string& path) override;

    // Disk requests (removable media); the reader asks for disk index k, or
    // the last disk for -1. A single-disk archive needs no other disk: the
    // same file is opened again.
    virtual void RequestLastDisk(bool& abort);
    virtual void RequestNthDisk(int diskNumber, bool& abort);
    virtual void RequestBlankDisk(bool& abort);
    virtual void RequestDisk(int index, bool& abort);
    // The span stream's request for a further disk or image (by the
    // stream's state and media kind).
    void SpanImageRequest(TZpSpanStream& stream, int imageNumber, bool& cancel, std::string& imageName);

    // Position of the end record in the stream, or -1; the stream is left
    // there (or where it was, when not found).
    static int64_t FindEndRecord(TStream& stream);

    TZpZipDirectoryFileFooter Footer;
    TZpZipSupportedMethod CompressionMethodToUse = smBestMethod;
    TZpZipDeflationOption DeflationOption = doNormal;
    std::string Password;
    int PasswordRetries = 3;
    uint16_t CurrentDisk = 0xFFFF;
    bool IsSpanned = false;
    bool IsDriveRemovable = false;
    bool IsExecutable = false;
    int64_t StubSize = 0;
    bool AutoImageNames = false;
    // The per-disk byte budget the last write laid the archive out with
    // (0: no disk bookkeeping).
    int64_t DiskSize = 0;

    TZpInsertFileHelper InsertFileHelper;
    TZpInsertStreamHelper InsertStreamHelper;
    TZpExtractFileHelper ExtractFileHelper;
    TZpExtractStreamHelper ExtractStreamHelper;
    TZpTestHelper TestHelper;

    TZpRequestDiskEvent OnRequestLastDisk;
    TZpRequestNthDiskEvent OnRequestNthDisk;
    TZpRequestDiskEvent OnRequestBlankDisk;
    TZpNeedPasswordEvent OnNeedPassword;
    // Asked for an image file of a set being read when neither
    // OnRequestImage nor automatic names give one (the components' default
    // box).
    TZpRequestImageEvent OnImagePrompt;

protected:
    // The stream the finished archive is copied to, replacing the one the
    // archive owns (the seam where spanning puts its own stream).
    virtual std::unique_ptr<TStream> CreateTargetStream();
    // The stream existing entries are read from.
    virtual std::unique_ptr<TStream> OpenReadStream();
    // After the copy to the target: a set of image files gets its final
    // names (first piece .Z01, last piece the archive name).
    void FinishImageSet();
    // A reading span stream on name, its requests connected to this archive.
    std::unique_ptr<TZpSpanStream> OpenReadSpan(const std::string& name, TZpMediaKind kind, int firstDiskIndex);
};
