#include "zip/ZpVMStrm.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "zip/ZpExcept.h"
#include "zip/ZpUtilsFs.h"

TZpVirtualMemoryStream::TZpVirtualMemoryStream(const std::string& swapFolder, size_t memoryBytes)
    : swapFolder_(swapFolder)
{
    maxPages_ = std::clamp<size_t>((memoryBytes + kPageSize - 1) / kPageSize, 1, kMaxPagesCap);
    pages_.reserve(maxPages_);
}

TZpVirtualMemoryStream::~TZpVirtualMemoryStream()
{
    swap_.reset();
    if (!swapName_.empty())
        ZpDeleteFile(swapName_);
}

void TZpVirtualMemoryStream::OpenSwap()
{
    const std::string folder =
        (!swapFolder_.empty() && ZpDirectoryExists(swapFolder_)) ? swapFolder_ : ZpTempFolder();
    std::string name = ZpCreateUniqueTempFile(folder, "VMS");
    if (name.empty())
        throw EZpVMSErrorOpenSwap(ZpFormatMessage(zmcVMSOpenSwap, {folder}));
    try {
        swap_ = ZpOpenFile(name, fmOpenReadWrite, fsShareExclusive);
    } catch (const std::exception&) {
        ZpDeleteFile(name);
        throw EZpVMSErrorOpenSwap(ZpFormatMessage(zmcVMSOpenSwap, {name}));
    }
    swapName_ = std::move(name);
}

void TZpVirtualMemoryStream::WriteSwap(const TPage& page)
{
    if (!swap_)
        OpenSwap();
    const int64_t at = page.index * static_cast<int64_t>(kPageSize);
    try {
        if (swap_->Seek(at, soFromBeginning) != at)
            throw EZpVMSSeekFail(ZpFormatMessage(zmcVMSSeekFail, {swapName_}));
        swap_->WriteBuffer(std::span<const uint8_t>(page.data.get(), kPageSize));
    } catch (const EZpException&) {
        throw;
    } catch (const std::exception&) {
        throw EZpVMSWriteFail(ZpFormatMessage(zmcVMSWriteFail, {std::to_string(kPageSize), swapName_}));
    }
    swapValid_ = std::max(swapValid_, at + static_cast<int64_t>(kPageSize));
}

void TZpVirtualMemoryStream::ReadSwap(TPage& page)
{
    std::memset(page.data.get(), 0, kPageSize);
    const int64_t at = page.index * static_cast<int64_t>(kPageSize);
    if (!swap_ || at >= swapValid_)
        return;
    const size_t want = static_cast<size_t>(std::min<int64_t>(kPageSize, swapValid_ - at));
    try {
        if (swap_->Seek(at, soFromBeginning) != at)
            throw EZpVMSSeekFail(ZpFormatMessage(zmcVMSSeekFail, {swapName_}));
        size_t got = 0;
        while (got < want) {
            const size_t n = swap_->Read(std::span(page.data.get() + got, want - got));
            if (n == 0)
                break;
            got += n;
        }
    } catch (const EZpException&) {
        throw;
    } catch (const std::exception&) {
        throw EZpVMSReadFail(ZpFormatMessage(zmcVMSReadFail, {std::to_string(want), swapName_}));
    }
}

void TZpVirtualMemoryStream::Evict()
{
    auto victim = std::min_element(pages_.begin(), pages_.end(),
                                   [](const TPage& a, const TPage& b) { return a.stamp < b.stamp; });
    if (victim->dirty)
        WriteSwap(*victim);
    pages_.erase(victim);
}

TZpVirtualMemoryStream::TPage& TZpVirtualMemoryStream::GetPage(int64_t index)
{
    if (counter_ == std::numeric_limits<uint64_t>::max()) {
        counter_ = 0;
        for (TPage& p : pages_)
            p.stamp = 0;
    }
    auto it = std::lower_bound(pages_.begin(), pages_.end(), index,
                               [](const TPage& p, int64_t i) { return p.index < i; });
    if (it != pages_.end() && it->index == index) {
        it->stamp = ++counter_;
        return *it;
    }
    TPage page;
    page.index = index;
    page.data = std::make_unique<uint8_t[]>(kPageSize);
    ReadSwap(page);
    if (pages_.size() >= maxPages_)
        Evict();
    it = std::lower_bound(pages_.begin(), pages_.end(), index,
                          [](const TPage& p, int64_t i) { return p.index < i; });
    page.stamp = ++counter_;
    return *pages_.insert(it, std::move(page));
}

size_t TZpVirtualMemoryStream::Read(std::span<uint8_t> buffer)
{
    if (position_ >= size_ || buffer.empty())
        return 0;
    const size_t total = static_cast<size_t>(std::min<int64_t>(buffer.size(), size_ - position_));
    size_t done = 0;
    while (done < total) {
        const int64_t index = position_ / static_cast<int64_t>(kPageSize);
        const size_t offset = static_cast<size_t>(position_ % static_cast<int64_t>(kPageSize));
        const size_t n = std::min(total - done, kPageSize - offset);
        TPage& page = GetPage(index);
        std::memcpy(buffer.data() + done, page.data.get() + offset, n);
        done += n;
        position_ += static_cast<int64_t>(n);
    }
    return total;
}

size_t TZpVirtualMemoryStream::Write(std::span<const uint8_t> buffer)
{
    size_t done = 0;
    while (done < buffer.size()) {
        const int64_t index = position_ / static_cast<int64_t>(kPageSize);
        const size_t offset = static_cast<size_t>(position_ % static_cast<int64_t>(kPageSize));
        const size_t n = std::min(buffer.size() - done, kPageSize - offset);
        TPage& page = GetPage(index);
        std::memcpy(page.data.get() + offset, buffer.data() + done, n);
        page.dirty = true;
        done += n;
        position_ += static_cast<int64_t>(n);
    }
    size_ = std::max(size_, position_);
    return done;
}

int64_t TZpVirtualMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t target;
    switch (origin) {
    case soFromBeginning: target = offset; break;
    case soFromCurrent: target = position_ + offset; break;
    case soFromEnd: target = size_ + offset; break;
    default:
        throw EZpVMSInvalidOrigin(ZpFormatMessage(zmcVMSInvalidOrigin, {std::to_string(static_cast<int>(origin))}));
    }
    position_ = std::max<int64_t>(target, 0);
    return position_;
}

void TZpVirtualMemoryStream::SetSize(int64_t size)
{
    size = std::max<int64_t>(size, 0);
    if (size < size_) {
        // Bytes past the new end must read as zeros if the stream grows
        // again: drop whole pages, clear the tail of the last one, and stop
        // trusting the swap file beyond the new end.
        const int64_t lastIndex = size / static_cast<int64_t>(kPageSize);
        const size_t tail = static_cast<size_t>(size % static_cast<int64_t>(kPageSize));
        std::erase_if(pages_, [&](const TPage& p) { return p.index > lastIndex || (p.index == lastIndex && tail == 0); });
        for (TPage& p : pages_)
            if (p.index == lastIndex)
                std::memset(p.data.get() + tail, 0, kPageSize - tail);
        swapValid_ = std::min(swapValid_, size);
    }
    size_ = size;
    position_ = std::min(position_, size_);
}
