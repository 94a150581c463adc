#include "zip/deflate/ZpDfBase.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/FileStream.h"

// ---- TZpDeflateHelper -------------------------------------------------------

void TZpDeflateHelper::SetGoodMatchLength(int32_t value)
{
    if (value == goodMatchLength_)
        return;
    goodMatchLength_ = Clamped(value);
    presetLetter_ = '?';
}

void TZpDeflateHelper::SetMaxChainProbes(int32_t value)
{
    if (value == maxChainProbes_)
        return;
    maxChainProbes_ = Clamped(value);
    presetLetter_ = '?';
}

void TZpDeflateHelper::SetLazyMatchLimit(int32_t value)
{
    if (value == lazyMatchLimit_)
        return;
    lazyMatchLimit_ = Clamped(value);
    presetLetter_ = '?';
}

void TZpDeflateHelper::SetOptions(uint32_t value)
{
    if (value == options_)
        return;
    options_ = value;
    presetLetter_ = '?';
}

void TZpDeflateHelper::SetPresetLetter(char letter)
{
    letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    if (letter == presetLetter_)
        return;
    constexpr uint32_t kLow4 = dfoStored | dfoStatic | dfoDynamic | dfoLazy;
    constexpr uint32_t kKinds = dfoStored | dfoStatic | dfoDynamic;
    uint32_t options = options_;
    int32_t good, chain, lazy;
    switch (letter) {
    case '0': options = (options & ~kLow4) | dfoStored; good = 8; chain = 32; lazy = 16; break;
    case '2': options |= kLow4; good = 8; chain = 32; lazy = 16; break;
    case 'f': options |= kKinds; good = 4; chain = 32; lazy = 6; break;
    case 'n': options |= kLow4; good = 16; chain = 32; lazy = 24; break;
    case 's': options |= kKinds; good = 4; chain = 4; lazy = 4; break;
    case 'x': options |= kLow4; good = 64; chain = 4096; lazy = 258; break;
    default: return;
    }
    options_ = options;
    goodMatchLength_ = good;
    maxChainProbes_ = chain;
    lazyMatchLimit_ = lazy;
    presetLetter_ = letter;
}

void TZpDeflateHelper::CopyOptions(const TZpDeflateHelper& other)
{
    const int64_t packed = PackedSize, plain = PlainSize;
    *this = other;
    PackedSize = packed;
    PlainSize = plain;
}

// ---- TZpLogger ------------------------------------------------------------

namespace {
constexpr size_t kLogBufferSize = 4096;
}

TZpLogger::TZpLogger(const std::string& hostFileName)
{
    ZpAssert(!hostFileName.empty(), "TZpLogger.Create: a filename must be provided for the logger");
    file_ = std::make_unique<THostFileStream>(hostFileName, fmCreate);
    buffer_.resize(kLogBufferSize);
}

TZpLogger::~TZpLogger()
{
    try {
        Flush();
    } catch (...) {
        // A log that cannot be written must not turn into a second failure.
    }
}

void TZpLogger::WriteLine(const std::string& text)
{
    WriteBuffer(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    static const uint8_t kCrLf[2] = {'\r', '\n'};
    WriteBuffer(LfOnly ? std::span<const uint8_t>(kCrLf + 1, 1) : std::span<const uint8_t>(kCrLf, 2));
}

size_t TZpLogger::Read(std::span<uint8_t>)
{
    throw EZpAssertionFailed("TZpLogger.Read: loggers are write-only, no reading allowed");
}

size_t TZpLogger::Write(std::span<const uint8_t> data)
{
    size_t done = 0;
    while (done < data.size()) {
        if (used_ == buffer_.size() && !Flush())
            return done; // the file took only part; the rest stays buffered
        const size_t n = std::min(data.size() - done, buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, data.data() + done, n);
        used_ += n;
        done += n;
    }
    return done;
}

int64_t TZpLogger::Seek(int64_t offset, TSeekOrigin origin)
{
    if (offset != 0 || (origin != soFromCurrent && origin != soFromEnd))
        throw EZpAssertionFailed("TZpLogger.Seek: loggers are write-only, no seeking allowed");
    return file_->Seek(0, soFromCurrent) + static_cast<int64_t>(used_);
}

bool TZpLogger::Flush()
{
    if (used_ == 0)
        return true;
    const size_t n = file_->Write(std::span<const uint8_t>(buffer_.data(), used_));
    std::memmove(buffer_.data(), buffer_.data() + n, used_ - n);
    used_ -= n;
    return used_ == 0;
}

// ---- Start of a Deflate or Inflate call ---------------------------------------

TZpDeflateHelper ZpWorkingHelper(const TZpDeflateHelper* aHelper, TStream& aSource)
{
    TZpDeflateHelper work;
    if (aHelper)
        work.CopyOptions(*aHelper);
    if (!work.PercentHook)
        work.SourceSize = 0;
    else if (work.SourceSize == -1)
        work.SourceSize = aSource.Size();
    return work;
}

std::unique_ptr<TZpLogger> ZpOpenCallLog(const TZpDeflateHelper& work, const std::string& heading)
{
    if (work.LogFileName.empty())
        return nullptr;
    auto log = std::make_unique<TZpLogger>(work.LogFileName);
    log->WriteLine(heading);
    log->WriteLine("Need to recompile the app with UseLogging turned on");
    return log;
}

// ---- TZpNodeManager -------------------------------------------------------

namespace {
constexpr size_t kPageSize = 8192;
constexpr size_t kLinkSize = 4; // the page link as the page layout counts it
}

TZpNodeManager::TZpNodeManager(size_t nodeSize)
{
    nodeSize_ = std::max<size_t>(4, (nodeSize + 3) & ~size_t(3));
    nodesPerPage_ = (kPageSize - kLinkSize) / nodeSize_;
    if (nodesPerPage_ < 2)
        nodesPerPage_ = 1;
    // A free node holds the free-list link, and the page link is a whole
    // pointer here, so the storage stride may exceed the node size.
    stride_ = (std::max(nodeSize_, sizeof(void*)) + alignof(void*) - 1) & ~(alignof(void*) - 1);
    pageSize_ = sizeof(void*) + nodesPerPage_ * stride_;
}

TZpNodeManager::~TZpNodeManager()
{
    while (lastPage_) {
        void* previous;
        std::memcpy(&previous, lastPage_, sizeof(void*));
        std::free(lastPage_);
        lastPage_ = previous;
    }
}

void TZpNodeManager::AddPage()
{
    auto* page = static_cast<uint8_t*>(std::malloc(pageSize_));
    if (!page)
        throw std::bad_alloc();
    std::memcpy(page, &lastPage_, sizeof(void*));
    lastPage_ = page;
    uint8_t* node = page + sizeof(void*);
    for (size_t i = 0; i < nodesPerPage_; ++i, node += stride_) {
        std::memcpy(node, &freeList_, sizeof(void*));
        freeList_ = node;
    }
}

void* TZpNodeManager::AllocNode()
{
    if (!freeList_)
        AddPage();
    void* node = freeList_;
    std::memcpy(&freeList_, node, sizeof(void*));
    return node;
}
