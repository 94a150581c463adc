// Per-item extraction for the ZIP reader: the extract and test helpers the
// unzipper installs on an archive, and the two decoders of entry data.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Stream.h"
#include "zip/ZpZipTyp.h"

// Extracts the item to a file through a temporary file; restores date,
// time and attributes. A CRC mismatch leaves the target untouched.
void UnzipItem(TZpZipArchive& archive, TZpZipItem& item, const std::string& targetName);
// Decodes the item's data into target. A CRC mismatch is reported through
// the archive's item-failure hook when one is attached (the result is then
// false), else raised as EZpZipBadCRC.
bool UnzipItemToStream(TZpZipArchive& archive, TZpZipItem& item, TStream* target);
// Decodes the item without keeping anything.
void TestZipItem(TZpZipArchive& archive, TZpZipItem& item);

// Method 0: copies the stored bytes; returns their CRC-32.
uint32_t CopyStoredData(TZpZipArchive& archive, TZpZipItem& item, TStream& target);
// Methods 8 and 9: returns the CRC-32 of the decoded bytes (0 after an abort).
uint32_t InflateData(TZpZipArchive& archive, TZpZipItem& item, TStream& target, uint32_t checkValue,
                     bool verifyOnly, int64_t* plainSize = nullptr);

// A sink that only counts what it is given (testing entries).
class TZpTestSink : public TStream {
public:
    size_t Read(std::span<uint8_t>) override { return 0; }
    size_t Write(std::span<const uint8_t> buffer) override
    {
        size_ += static_cast<int64_t>(buffer.size());
        return buffer.size();
    }
    int64_t Seek(int64_t, TSeekOrigin) override { return size_; }
    int64_t Size() override { return size_; }

private:
    int64_t size_ = 0;
};
