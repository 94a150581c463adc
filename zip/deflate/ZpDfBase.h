// What the Deflate encoder and the Inflate decoder share: the options and
// results record, the write-only log stream and the node arena of the
// code-length generator. Checksums are in ZpCrc32.h / ZpAdler32.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "zip/ZpExcept.h"

// Bits of TZpDeflateHelper::Options().
enum : uint32_t {
    dfoStored = 1,            // stored blocks allowed
    dfoStatic = 2,            // blocks with the fixed codes allowed
    dfoDynamic = 4,           // blocks with dynamic codes allowed
    dfoLazy = 8,              // lazy matching
    dfoDeflate64 = 16,        // Deflate64 stream (zip method 9)
    dfoAdler32 = 32,          // the checksum is Adler-32 instead of CRC-32
    dfoVerifyOnly = 1u << 30, // decoder: decode and checksum, write nothing
};

// Progress report (0..100); may abort by raising EZpAbortProgress.
using TZpPercentHook = std::function<void(int percent)>;

// Options and results of one Deflate or Inflate call. The engine works on a
// copy and writes back only PackedSize and PlainSize.
class TZpDeflateHelper {
public:
    TZpDeflateHelper() = default;

    // Tuning values. A setter given the current value changes nothing; any
    // other value below 4 except -1 (no limit) is raised to 4, and the preset
    // letter becomes '?'.
    int32_t GoodMatchLength() const { return goodMatchLength_; }
    void SetGoodMatchLength(int32_t value);
    int32_t MaxChainProbes() const { return maxChainProbes_; }
    void SetMaxChainProbes(int32_t value);
    int32_t LazyMatchLimit() const { return lazyMatchLimit_; }
    void SetLazyMatchLimit(int32_t value);

    uint32_t Options() const { return options_; }
    void SetOptions(uint32_t value);

    // '0', '2', 'f', 'n', 's' or 'x' (upper case is lowered); any other letter
    // is ignored. A fresh record carries 'n' with the tuning values of '2', so
    // callers wanting the 'n' values assign '0' first.
    char PresetLetter() const { return presetLetter_; }
    void SetPresetLetter(char letter);

    // Copies every field except PackedSize and PlainSize.
    void CopyOptions(const TZpDeflateHelper& other);

    int32_t CryptCheck = -1;
    std::string LogFileName;
    TZpPercentHook PercentHook;
    int64_t StopAfterSize = 0;
    std::string CryptPassword;
    int64_t PackedSize = 0;
    int64_t PlainSize = 0;
    int64_t SourceSize = 0;
    int32_t HistorySize = 32768;

private:
    static int32_t Clamped(int32_t value) { return value < 4 && value != -1 ? 4 : value; }

    int32_t goodMatchLength_ = 8;
    int32_t maxChainProbes_ = 32;
    int32_t lazyMatchLimit_ = 16;
    uint32_t options_ = dfoStored | dfoStatic | dfoDynamic | dfoLazy;
    char presetLetter_ = 'n';
};

// Write-only log stream over a file it creates (replacing any old file).
class TZpLogger : public TStream {
public:
    explicit TZpLogger(const std::string& hostFileName);
    ~TZpLogger() override;

    // The text in 8-bit form followed by the line delimiter (CR LF).
    void WriteLine(const std::string& text);

    size_t Read(std::span<uint8_t> buffer) override;
    size_t Write(std::span<const uint8_t> buffer) override;
    // Accepts only offset 0 from the current position or the end.
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;

    bool LfOnly = false;

private:
    bool Flush();

    std::unique_ptr<TStream> file_;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
};

// What a Deflate or Inflate call starts from: the copy of aHelper's options
// (defaults without one) it works on, where SourceSize, the total progress
// is measured against, is 0 without a progress hook and the source's size
// when left at -1.
TZpDeflateHelper ZpWorkingHelper(const TZpDeflateHelper* aHelper, TStream& aSource);

// The call's log when work.LogFileName is set (null otherwise), opened with
// the heading line and the note that detailed logging is compiled out.
std::unique_ptr<TZpLogger> ZpOpenCallLog(const TZpDeflateHelper& work, const std::string& heading);

// Page arena for fixed-size nodes: nodes are never released one by one;
// destroying the arena frees every page.
class TZpNodeManager {
public:
    explicit TZpNodeManager(size_t nodeSize);
    ~TZpNodeManager();
    TZpNodeManager(const TZpNodeManager&) = delete;
    TZpNodeManager& operator=(const TZpNodeManager&) = delete;

    void* AllocNode();
    size_t NodeSize() const { return nodeSize_; }
    size_t NodesPerPage() const { return nodesPerPage_; }

private:
    void AddPage();

    size_t nodeSize_;
    size_t nodesPerPage_;
    size_t stride_;
    size_t pageSize_;
    void* lastPage_ = nullptr; // each page starts with a link to the previous
    void* freeList_ = nullptr;
};
