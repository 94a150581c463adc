// Byte streams: the one abstraction every engine reads and writes through.
// Read and Write move at most the requested count and report what they moved;
// ReadBuffer and WriteBuffer insist on the whole count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/Exception.h"

class EStreamError : public Exception {
public:
    using Exception::Exception;
};

// Numeric values are part of the interface: some streams report a bad origin
// by its number.
enum TSeekOrigin : int { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TStream {
public:
    virtual ~TStream() = default;
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    // Returns the count read; 0 only at the end (or for an empty request).
    virtual size_t Read(std::span<uint8_t> buffer) = 0;
    // Returns the count written; less than requested means the target is full.
    virtual size_t Write(std::span<const uint8_t> buffer) = 0;
    // Returns the new position.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    virtual int64_t Size();
    virtual void SetSize(int64_t size);

    int64_t Position() { return Seek(0, soFromCurrent); }
    void SetPosition(int64_t position) { Seek(position, soFromBeginning); }

    void ReadBuffer(std::span<uint8_t> buffer);
    void WriteBuffer(std::span<const uint8_t> buffer);

    // Copies count bytes from source's position; count 0 copies all of
    // source from its beginning. Returns the count copied.
    int64_t CopyFrom(TStream& source, int64_t count);
};

// A growable stream in memory.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

    size_t Read(std::span<uint8_t> buffer) override;
    size_t Write(std::span<const uint8_t> buffer) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }
    void SetSize(int64_t size) override;

    const std::vector<uint8_t>& Bytes() const { return data_; }
    std::vector<uint8_t>& Bytes() { return data_; }
    void Clear();

private:
    std::vector<uint8_t> data_;
    size_t position_ = 0;
};
