// The scratch stream: a seekable stream kept in 4096-byte pages, at most a
// fixed number of them in memory; the least recently used page is written
// to a swap file when another is needed. Memory stays bounded whatever the
// stream's size.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Stream.h"

class TZpVirtualMemoryStream : public TStream {
public:
    static constexpr size_t kPageSize = 4096;
    static constexpr size_t kMaxPagesCap = 256;

    // swapFolder: where the swap file goes when one is needed ("" or a
    // missing folder means the system's temporary folder). memoryBytes is
    // rounded up to whole pages, at most kMaxPagesCap of them.
    explicit TZpVirtualMemoryStream(const std::string& swapFolder = {}, size_t memoryBytes = 102400);
    ~TZpVirtualMemoryStream() override;

    size_t Read(std::span<uint8_t> buffer) override;
    size_t Write(std::span<const uint8_t> buffer) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return size_; }
    void SetSize(int64_t size) override;

    // The swap file's name; "" while everything fits in memory.
    const std::string& SwapFileName() const { return swapName_; }
    size_t PagesInMemory() const { return pages_.size(); }

private:
    struct TPage {
        int64_t index = 0;
        uint64_t stamp = 0;
        bool dirty = false;
        std::unique_ptr<uint8_t[]> data;
    };

    TPage& GetPage(int64_t index);
    void Evict();
    void OpenSwap();
    void WriteSwap(const TPage& page);
    void ReadSwap(TPage& page);

    std::string swapFolder_;
    size_t maxPages_;
    std::vector<TPage> pages_;    // sorted by index
    uint64_t counter_ = 0;
    int64_t size_ = 0;
    int64_t position_ = 0;
    std::string swapName_;
    std::unique_ptr<TStream> swap_;
    int64_t swapValid_ = 0;       // bytes of the swap file that hold data
};
