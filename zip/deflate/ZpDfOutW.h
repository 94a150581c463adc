// Decoder output window: the decoded history in one buffer. Bytes leave the
// window (checksummed, then written to the destination or only counted) in
// large slices when the write point is reached; the last 32 KiB (64 KiB for
// Deflate64) always stay for copies.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Stream.h"

class TZpDfOutputWindow {
public:
    TZpDfOutputWindow(TStream* dest, int64_t stopAfterSize, bool verifyOnly, bool adler32, bool deflate64);
    ~TZpDfOutputWindow();

    // The decoder writes at Cursor() directly; room is guaranteed for the
    // longest match plus 32 bytes of overrun past WritePoint().
    uint8_t* Begin() { return buf_.get(); }
    uint8_t* WritePoint() { return buf_.get() + writePoint_; }
    // Lets the bytes before the kept history leave; returns the new cursor.
    uint8_t* Slide(uint8_t* cursor);
    // Copies stored bytes in, sliding between pieces.
    uint8_t* PutRun(uint8_t* cursor, const uint8_t* data, size_t count);
    int64_t StopSize() const { return stop_; }

    // Lets every buffered byte leave; returns the finished checksum
    // (CRC-32 complemented, Adler-32 as is).
    uint32_t Finish(uint8_t* cursor);
    // Bytes produced so far (left + buffered).
    int64_t Position(const uint8_t* cursor) const { return left_ + (cursor - buf_.get()); }
    int64_t LeftCount() const { return left_; }

private:
    void Leave(const uint8_t* data, size_t count);

    TStream* dest_;
    int64_t stop_;
    bool verifyOnly_, adler32_;
    size_t history_, writePoint_;
    // Not cleared: copies read only bytes already decoded.
    std::unique_ptr<uint8_t[]> buf_;
    uint32_t checksum_;
    int64_t left_ = 0;
    bool finished_ = false;
};
