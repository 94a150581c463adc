// Sink for testing archive entries: keeps only the most recent bytes written
// in a ring, so a tester can decode without storing the output.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Stream.h"

class TZpBitBucketStream : public TStream {
public:
    // bufferSize 4096, 8192 or 32768 (anything else gives 32768); the ring
    // holds that many bytes plus 1024.
    explicit TZpBitBucketStream(uint32_t bufferSize);

    size_t Read(std::span<uint8_t> buffer) override;
    size_t Write(std::span<const uint8_t> buffer) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return size_; }

    size_t BufferSize() const { return ring_.size(); }

private:
    std::vector<uint8_t> ring_;
    int64_t size_ = 0;
    int64_t position_ = 0;
};
