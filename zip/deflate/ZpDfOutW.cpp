#include "zip/deflate/ZpDfOutW.h"

#include <algorithm>
#include <cstring>

#include "zip/deflate/ZpAdler32.h"
#include "zip/deflate/ZpCrc32.h"

namespace {
// Bytes that leave per slide beyond the kept history: large slices keep the
// history move rare.
constexpr size_t kSlice = 256 * 1024;
constexpr size_t kOverrun = 32;
} // namespace

TZpDfOutputWindow::TZpDfOutputWindow(TStream* dest, int64_t stopAfterSize, bool verifyOnly, bool adler32,
                                     bool deflate64)
    : dest_(dest), verifyOnly_(verifyOnly), adler32_(adler32), checksum_(adler32 ? 1u : 0xFFFFFFFFu)
{
    history_ = deflate64 ? 65536 : 32768;
    writePoint_ = history_ + kSlice;
    const size_t longest = deflate64 ? 65538 : 258;
    buf_.reset(new uint8_t[writePoint_ + longest + kOverrun]);
    // A stop size is never above the first write point of the classic window.
    const int64_t stopLimit = deflate64 ? 98304 : 65536;
    stop_ = stopAfterSize > 0 ? std::min(stopAfterSize, stopLimit) : 0;
}

TZpDfOutputWindow::~TZpDfOutputWindow() = default;

void TZpDfOutputWindow::Leave(const uint8_t* data, size_t count)
{
    if (count == 0)
        return;
    checksum_ = adler32_ ? ZpAdler32Update(checksum_, data, count) : ZpCrc32Update(checksum_, data, count);
    if (!verifyOnly_)
        dest_->WriteBuffer(std::span<const uint8_t>(data, count));
    left_ += static_cast<int64_t>(count);
}

uint8_t* TZpDfOutputWindow::Slide(uint8_t* cursor)
{
    const size_t fill = static_cast<size_t>(cursor - buf_.get());
    if (fill <= history_)
        return cursor;
    const size_t leaving = fill - history_;
    Leave(buf_.get(), leaving);
    std::memmove(buf_.get(), buf_.get() + leaving, history_);
    return buf_.get() + history_;
}

uint8_t* TZpDfOutputWindow::PutRun(uint8_t* cursor, const uint8_t* data, size_t count)
{
    while (count > 0) {
        if (cursor >= buf_.get() + writePoint_)
            cursor = Slide(cursor);
        const size_t n = std::min(count, static_cast<size_t>(buf_.get() + writePoint_ - cursor));
        std::memcpy(cursor, data, n);
        cursor += n;
        data += n;
        count -= n;
    }
    return cursor;
}

uint32_t TZpDfOutputWindow::Finish(uint8_t* cursor)
{
    if (!finished_) {
        finished_ = true;
        Leave(buf_.get(), static_cast<size_t>(cursor - buf_.get()));
    }
    return adler32_ ? checksum_ : ~checksum_;
}
