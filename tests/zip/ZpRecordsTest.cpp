// The records byte for byte, and how reading treats damaged ones.
#include <gtest/gtest.h>

#include "zip/ZpExcept.h"
#include "zip/ZpZipRec.h"

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> v) { return std::vector<uint8_t>(v.begin(), v.end()); }

} // namespace

// Every field of a record gets its own value, so a field written at the
// wrong offset, with the wrong width or in the wrong order shows in the
// bytes; reading the bytes back must give a record that writes them again.
template <class Record>
void ExpectLayout(const Record& record, const std::vector<uint8_t>& expected)
{
    TMemoryStream s;
    record.Write(s);
    EXPECT_EQ(s.Bytes(), expected);
    s.SetPosition(0);
    Record back;
    back.Read(s);
    EXPECT_EQ(s.Position(), s.Size()) << "read stops at the record's end";
    TMemoryStream again;
    back.Write(again);
    EXPECT_EQ(again.Bytes(), expected);
}

TEST(ZpRecords, LocalHeaderLayout)
{
    TZpZipLocalFileHeader h;
    h.VersionNeededToExtract = 20;
    h.GeneralPurposeFlags = 0;
    h.CompressionMethod = 8;
    h.LastModFileTime = 0x5A6B;
    h.LastModFileDate = 0x5B8B;
    h.Crc32 = 0x11223344;
    h.CompressedSize = 0x100;
    h.UncompressedSize = 0x10000;
    h.FileName = "A/B";
    TMemoryStream s;
    h.Write(s);
    const auto expected = Bytes({0x50, 0x4B, 0x03, 0x04, 20, 0, 0, 0, 8, 0, 0x6B, 0x5A, 0x8B, 0x5B, 0x44, 0x33,
                                 0x22, 0x11, 0x00, 0x01, 0, 0, 0x00, 0x00, 0x01, 0x00, 3, 0, 0, 0, 'A', '/', 'B'});
    EXPECT_EQ(s.Bytes(), expected);
    s.SetPosition(0);
    TZpZipLocalFileHeader back;
    back.Read(s);
    EXPECT_EQ(back.FileName, "A/B");
    EXPECT_EQ(back.Crc32, 0x11223344u);
    EXPECT_EQ(back.UncompressedSize, 0x10000u);
}

TEST(ZpRecords, EveryFieldAtItsOffset)
{
    ExpectLayout(TZpZipLocalFileHeader{.VersionNeededToExtract = 0x0201,
                                       .GeneralPurposeFlags = 0x0403,
                                       .CompressionMethod = 0x0605,
                                       .LastModFileTime = 0x0807,
                                       .LastModFileDate = 0x0A09,
                                       .Crc32 = 0x0E0D0C0B,
                                       .CompressedSize = 0x1211100F,
                                       .UncompressedSize = 0x16151413,
                                       .FileName = "nm",
                                       .ExtraField = "x"},
                 Bytes({0x50, 0x4B, 0x03, 0x04, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B,
                        0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 2, 0, 1, 0, 'n', 'm',
                        'x'}));
    ExpectLayout(TZpZipDirectoryFileHeader{.VersionMadeBy = 0x0201,
                                           .VersionNeededToExtract = 0x0403,
                                           .GeneralPurposeFlags = 0x0605,
                                           .CompressionMethod = 0x0807,
                                           .LastModFileTime = 0x0A09,
                                           .LastModFileDate = 0x0C0B,
                                           .Crc32 = 0x100F0E0D,
                                           .CompressedSize = 0x14131211,
                                           .UncompressedSize = 0x18171615,
                                           .DiskNumberStart = 0x1A19,
                                           .InternalFileAttributes = 0x1C1B,
                                           .ExternalFileAttributes = 0x201F1E1D,
                                           .RelativeOffsetOfLocalHeader = 0x24232221,
                                           .FileName = "n",
                                           .ExtraField = "ex",
                                           .FileComment = "cmt"},
                 Bytes({0x50, 0x4B, 0x01, 0x02, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A,
                        0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18,
                        1,    0,    2,    0,    3,    0,    0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F, 0x20,
                        0x21, 0x22, 0x23, 0x24, 'n',  'e',  'x',  'c',  'm',  't'}));
    ExpectLayout(TZpZipDataDescriptor{.Crc32 = 0x04030201, .CompressedSize = 0x08070605, .UncompressedSize = 0x0C0B0A09},
                 Bytes({0x50, 0x4B, 0x07, 0x08, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    ExpectLayout(TZpZipDirectoryFileFooter{.NumberOfThisDisk = 0x0201,
                                           .DiskWithStartOfDirectory = 0x0403,
                                           .EntriesOnThisDisk = 0x0605,
                                           .TotalEntries = 0x0807,
                                           .DirectorySize = 0x0C0B0A09,
                                           .DirectoryOffset = 0x100F0E0D,
                                           .ZipComment = "zc"},
                 Bytes({0x50, 0x4B, 0x05, 0x06, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 2, 0, 'z',
                        'c'}));
}

TEST(ZpRecords, DirectoryHeaderAndEndRecordRoundTrip)
{
    TZpZipDirectoryFileHeader d;
    d.VersionMadeBy = 0x0B14;
    d.VersionNeededToExtract = 10;
    d.DiskNumberStart = 2;
    d.ExternalFileAttributes = 0x21;
    d.RelativeOffsetOfLocalHeader = 0xAABBCCDD;
    d.FileName = "n";
    d.ExtraField = std::string("\x0a\x00\x00\x00", 4);
    d.FileComment = "c";
    TZpZipDirectoryFileFooter f;
    f.NumberOfThisDisk = 1;
    f.DiskWithStartOfDirectory = 1;
    f.EntriesOnThisDisk = 3;
    f.TotalEntries = 3;
    f.DirectorySize = 99;
    f.DirectoryOffset = 4;
    f.ZipComment = "hello";
    TMemoryStream s;
    d.Write(s);
    f.Write(s);
    EXPECT_EQ(s.Size(), int64_t(46 + 1 + 4 + 1 + 22 + 5));
    EXPECT_EQ(s.Bytes()[4], 0x14);
    EXPECT_EQ(s.Bytes()[5], 0x0B);
    s.SetPosition(0);
    TZpZipDirectoryFileHeader d2;
    d2.Read(s);
    TZpZipDirectoryFileFooter f2;
    f2.Read(s);
    EXPECT_EQ(d2.RelativeOffsetOfLocalHeader, 0xAABBCCDDu);
    EXPECT_EQ(d2.ExtraField.size(), 4u);
    EXPECT_EQ(d2.FileComment, "c");
    EXPECT_EQ(f2.ZipComment, "hello");
    EXPECT_EQ(f2.DirectoryOffset, 4u);
}

TEST(ZpRecords, WrongSignatureOrCutRecordIsAnInvalidArchive)
{
    TZpZipLocalFileHeader h;
    h.FileName = "name";
    TMemoryStream whole;
    h.Write(whole);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"signature only", {0x50, 0x4B, 0x03, 0x04}},
        {"name cut", std::vector<uint8_t>(whole.Bytes().begin(), whole.Bytes().end() - 2)},
        {"central signature", [&] {
             auto b = whole.Bytes();
             b[2] = 1;
             b[3] = 2;
             return b;
         }()},
    };
    for (const Case& c : cases) {
        TMemoryStream s(c.bytes);
        TZpZipLocalFileHeader r;
        EXPECT_THROW(r.Read(s), EZpZipInvalid) << c.what;
    }
    // A data descriptor and an end record read their own signatures only.
    TMemoryStream dd(Bytes({0x50, 0x4B, 0x07, 0x08, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0}));
    TZpZipDataDescriptor desc;
    desc.Read(dd);
    EXPECT_EQ(desc.UncompressedSize, 3u);
    TMemoryStream notEnd(Bytes({0x50, 0x4B, 0x05, 0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    TZpZipDirectoryFileFooter f;
    EXPECT_THROW(f.Read(notEnd), EZpZipInvalid);
}

TEST(ZpRecords, EndRecordCommentCutShortKeepsWhatIsThere)
{
    TZpZipDirectoryFileFooter f;
    f.ZipComment = "a long comment";
    TMemoryStream s;
    f.Write(s);
    s.SetSize(s.Size() - 5);
    s.SetPosition(0);
    TZpZipDirectoryFileFooter r;
    r.Read(s);
    EXPECT_EQ(r.ZipComment, "a long co");
}
