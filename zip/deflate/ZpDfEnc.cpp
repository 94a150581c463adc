#include "zip/deflate/ZpDfEnc.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

#include "zip/deflate/ZpAdler32.h"
#include "zip/deflate/ZpCrc32.h"
#include "zip/deflate/ZpDfHufD.h"
#include "zip/deflate/ZpDfInW.h"
#include "zip/deflate/ZpDfPkMg.h"
#include "zip/deflate/ZpDfStrm.h"
#include "zip/deflate/ZpDfXlat.h"

namespace {

constexpr uint32_t kKindsMask = dfoStored | dfoStatic | dfoDynamic;

enum class TBlockMode { bmFixedOnly, bmDynamicOnly, bmSmallest };

// Everything one call of the fixed-code or dynamic-code modes works with.
template <class TPos>
class TEncoder {
public:
    // good, lazy and chain are the working values (no limit = INT32_MAX,
    // lazy 0 without lazy matching).
    TEncoder(TStream* source, TStream* dest, const TZpDeflateHelper& work, TBlockMode mode, int32_t good,
             int32_t lazy, int32_t chain)
        : work_(work), mode_(mode), deflate64_((work.Options() & dfoDeflate64) != 0),
          window_(source, work.SourceSize, HistoryOf(work), chain, deflate64_, (work.Options() & dfoAdler32) != 0,
                  &work.PercentHook),
          out_(dest), good_(good), lazy_(lazy), chain_(chain)
    {
    }

    uint32_t Run();

private:
    static uint32_t HistoryOf(const TZpDeflateHelper& work)
    {
        const uint32_t limit = (work.Options() & dfoDeflate64) ? 65536 : 32768;
        uint32_t w = static_cast<uint32_t>(std::clamp<int32_t>(work.HistorySize, 1, int32_t(limit)));
        while (w & (w - 1)) // a power of two
            w &= w - 1;
        return w;
    }
    // The setters' rule applied to a doubled value (the letter then becomes
    // '?', which nothing reads again in this call).
    static int32_t Doubled(int32_t v)
    {
        const int64_t d = int64_t(v) * 2;
        if (d > INT32_MAX)
            return INT32_MAX;
        const int32_t n = static_cast<int32_t>(d);
        return n == v ? v : (n < 4 && n != -1 ? 4 : n);
    }

    void WriteBlock(bool final);
    void WriteFixed(bool final);
    void WriteStored(bool final);

    const TZpDeflateHelper& work_;
    TBlockMode mode_;
    bool deflate64_;
    TZpDfInputWindow<TPos> window_;
    TZpDfLZStream lz_;
    TZpDfOutBitStream out_;
    int32_t good_, lazy_, chain_;
    uint8_t lengths_[318];
};

template <class TPos>
uint32_t TEncoder<TPos>::Run()
{
    TZpDfMatch pending, found;
    bool due = false;
    bool checked1024 = false;
    lz_.Clear(window_.Offset());
    while (window_.LookAhead() >= 3) {
        if (!checked1024 && lz_.Covered() == 1024) {
            checked1024 = true;
            if (work_.PresetLetter() == 'n' && lz_.LiteralFrequencies()[0] == 0) {
                good_ = Doubled(good_);
                lazy_ = Doubled(lazy_);
                chain_ = Doubled(chain_);
                window_.SetChainLimit(chain_);
            }
        }
        if (due) {
            WriteBlock(false);
            lz_.Clear(window_.Offset() - (pending.length ? 1 : 0));
            due = false;
        }
        bool isFound = window_.SearchMatch(static_cast<uint32_t>(good_), found, pending.length);
        if (isFound && found.length == 3 && found.distance > 4096)
            isFound = false;
        if (isFound) {
            if (pending.length)
                due = lz_.PutLiteral(pending.literal);
            pending = found;
            window_.StepOne();
            if (static_cast<uint32_t>(lazy_) <= pending.length) {
                due = lz_.PutMatch(pending.length, pending.distance);
                window_.Advance(pending.length - 1, pending.length - 1);
                pending.length = 0;
            }
        } else if (pending.length) {
            due = lz_.PutMatch(pending.length, pending.distance);
            window_.Advance(pending.length - 1, pending.length - 2);
            pending.length = 0;
        } else {
            due = lz_.PutLiteral(window_.CurrentByte());
            window_.StepOne();
        }
    }
    if (pending.length) {
        ZpAssert(pending.length == 3, "DeflateStaticDynamic: previous match should be length 3");
        lz_.PutMatch(pending.length, pending.distance);
        window_.Advance(window_.LookAhead(), window_.LookAhead());
    } else {
        while (window_.LookAhead() > 0)
            lz_.PutLiteral(window_.TakeByte());
    }
    WriteBlock(true);
    out_.Finish();
    const uint32_t sum = window_.Checksum();
    return window_.UsesAdler32() ? sum : ~sum;
}

template <class TPos>
void TEncoder<TPos>::WriteFixed(bool final)
{
    const auto& lit = TZpDfDecodeHuffmanTree::FixedLiteralTree();
    out_.PutBits(2 | (final ? 1 : 0), 3);
    lz_.Encode(out_, lit, deflate64_, TZpDfDecodeHuffmanTree::FixedDistanceTree());
    const uint32_t eob = lit.Encode(256);
    out_.PutBits(eob & 0xFFFF, (eob >> 16) & 0xFF);
}

template <class TPos>
void TEncoder<TPos>::WriteStored(bool final)
{
    uint64_t left = lz_.Covered();
    int64_t offset = lz_.FirstOffset();
    std::vector<uint8_t> piece;
    while (left > 0) {
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(left, 65535));
        left -= n;
        out_.PutBits((final && left == 0) ? 1 : 0, 3);
        out_.AlignToByte();
        out_.PutBits(n | (uint32_t(~n & 0xFFFF) << 16), 32);
        piece.resize(n);
        window_.ReadSourceAt(piece.data(), n, offset);
        out_.WriteBuffer(piece.data(), n);
        offset += n;
    }
}

template <class TPos>
void TEncoder<TPos>::WriteBlock(bool final)
{
    if (mode_ == TBlockMode::bmFixedOnly) {
        WriteFixed(final);
        return;
    }
    const uint32_t* litFreq = lz_.LiteralFrequencies();
    const uint32_t* distFreq = lz_.DistanceFrequencies();
    std::fill(std::begin(lengths_), std::end(lengths_), uint8_t(0));
    GenerateCodeLengths(15, std::span<const uint32_t>(litFreq, 286), lengths_, 0, nullptr);
    unsigned hlit = 286;
    while (hlit > 257 && lengths_[hlit - 1] == 0)
        --hlit;
    GenerateCodeLengths(15, std::span<const uint32_t>(distFreq, 32), lengths_, hlit, nullptr);
    unsigned hdist = 32;
    while (hdist > 1 && lengths_[hlit + hdist - 1] == 0)
        --hdist;
    TZpDfCodeLenStream cls;
    cls.Build(lengths_, hlit + hdist);
    uint8_t clLengths[19];
    GenerateCodeLengths(7, std::span<const uint32_t>(cls.Frequencies(), 19), clLengths, 0, nullptr);
    unsigned hclen = 19;
    while (hclen > 4 && clLengths[kZpCodeLengthOrder[hclen - 1]] == 0)
        --hclen;

    if (mode_ == TBlockMode::bmSmallest) {
        const uint32_t* clf = cls.Frequencies();
        uint64_t d = 14 + 3 * hclen;
        d += uint64_t(clf[16]) * (clLengths[16] + 2) + uint64_t(clf[17]) * (clLengths[17] + 3) +
             uint64_t(clf[18]) * (clLengths[18] + 7);
        for (unsigned k = 3; k < hclen; ++k) {
            const unsigned sym = kZpCodeLengthOrder[k];
            ZpAssert(sym <= 15, "CalcDynamicBitCount: the index array of codelengths is corrupted");
            d += uint64_t(clf[sym]) * clLengths[sym];
        }
        for (unsigned s = 0; s < hlit; ++s) {
            if (!litFreq[s])
                continue;
            unsigned extra = 0;
            if (s >= 257)
                extra = s == 285 ? (deflate64_ ? 16 : 0) : kZpLengthExtra[s - 257];
            d += uint64_t(litFreq[s]) * (lengths_[s] + extra);
        }
        for (unsigned s = 0; s < hdist; ++s)
            d += uint64_t(distFreq[s]) * (lengths_[hlit + s] + kZpDistanceExtra[s]);
        const uint64_t st = lz_.StaticBitCount(deflate64_);
        const uint64_t t = 8 * (lz_.Covered() + 4);
        if (st < d) {
            if (t < st)
                WriteStored(final);
            else
                WriteFixed(final);
            return;
        }
        if (t < d) {
            WriteStored(final);
            return;
        }
    }

    TZpDfDecodeHuffmanTree clTree(19, 7, TZpDfHuffmanUsage::ForEncoding);
    clTree.Build(clLengths, 0, 19, nullptr, TZpDfDecodeHuffmanTree::kNoExtraBits);
    TZpDfDecodeHuffmanTree litTree(286, 15, TZpDfHuffmanUsage::ForEncoding);
    litTree.Build(lengths_, 0, hlit, kZpLengthExtra, 257);
    TZpDfDecodeHuffmanTree distTree(deflate64_ ? 32 : 30, 15, TZpDfHuffmanUsage::ForEncoding);
    distTree.Build(lengths_, hlit, hdist, kZpDistanceExtra, 0);

    out_.PutBits(4 | (final ? 1 : 0), 3);
    out_.PutBits((hlit - 257) + (hdist - 1) * 32 + (hclen - 4) * 1024, 14);
    for (unsigned k = 0; k < hclen; ++k)
        out_.PutBits(clLengths[kZpCodeLengthOrder[k]], 3);
    const uint8_t* p = cls.Data();
    const uint8_t* const end = p + cls.Size();
    const uint32_t* clCodes = clTree.EncodeTable();
    while (p < end) {
        const uint8_t sym = *p++;
        const uint32_t e = clCodes[sym];
        out_.PutBits(e & 0xFFFF, (e >> 16) & 0xFF);
        if (sym >= 16)
            out_.PutBits(*p++, sym == 16 ? 2 : sym == 17 ? 3 : 7);
    }
    lz_.Encode(out_, litTree, deflate64_, distTree);
    const uint32_t eob = litTree.Encode(256);
    out_.PutBits(eob & 0xFFFF, (eob >> 16) & 0xFF);
}

uint32_t DeflateStoredOnly(TStream* source, TStream* dest, const TZpDeflateHelper& work)
{
    const bool adler = (work.Options() & dfoAdler32) != 0;
    uint32_t sum = adler ? 1u : 0xFFFFFFFFu;
    const int64_t total = work.SourceSize > 0 ? work.SourceSize : source->Size() - source->Position();
    std::vector<uint8_t> block(5 + 65535);
    int64_t done = 0;
    while (done < total) {
        const size_t want = static_cast<size_t>(std::min<int64_t>(total - done, 65535));
        size_t got = 0;
        while (got < want) {
            const size_t n = source->Read(std::span<uint8_t>(block.data() + 5 + got, want - got));
            if (n == 0)
                break;
            got += n;
        }
        done += static_cast<int64_t>(got);
        // A source that ends early still gets a final block, so the stream ends.
        const bool final = done >= total || got < want;
        if (work.PercentHook && work.SourceSize > 0)
            work.PercentHook(static_cast<int>(std::nearbyint(double(done) * 100.0 / double(work.SourceSize))));
        sum = adler ? ZpAdler32Update(sum, block.data() + 5, got) : ZpCrc32Update(sum, block.data() + 5, got);
        block[0] = final ? 1 : 0;
        block[1] = static_cast<uint8_t>(got);
        block[2] = static_cast<uint8_t>(got >> 8);
        block[3] = static_cast<uint8_t>(~got);
        block[4] = static_cast<uint8_t>(~got >> 8);
        dest->WriteBuffer(std::span<const uint8_t>(block.data(), 5 + got));
        if (final)
            break;
    }
    return adler ? sum : ~sum;
}

} // namespace

uint32_t Deflate(TStream* aSource, TStream* aDest, TZpDeflateHelper* aHelper)
{
    ZpAssert(aSource != nullptr, "Deflate: aSource stream cannot be nil");
    ZpAssert(aDest != nullptr, "Deflate: aDest stream cannot be nil");
    ZpAssert(!aHelper || (aHelper->Options() & kKindsMask) != 0,
             "Deflate: aHelper.Options must enable some kind of archiving");
    TZpDeflateHelper work = ZpWorkingHelper(aHelper, *aSource);
    // Working values, set plainly (the setters' clamping does not apply here).
    auto unlimited = [](int32_t v) { return v == -1 ? INT32_MAX : v; };
    const int32_t good = unlimited(work.GoodMatchLength());
    const int32_t chain = unlimited(work.MaxChainProbes());
    const int32_t lazy = (work.Options() & dfoLazy) ? unlimited(work.LazyMatchLimit()) : 0;
    const std::unique_ptr<TZpLogger> log = ZpOpenCallLog(work, "DEFLATING STREAM...");
    // The encrypting stream (traditional zip encryption) wraps the
    // destination here once it exists; until then a password is refused.
    if (!work.CryptPassword.empty())
        throw EZpDeflateError("traditional zip encryption is not available in this engine build");

    const int64_t sourceBefore = aSource->Position();
    const int64_t destBefore = aDest->Position();
    uint32_t result;
    try {
        const uint32_t kinds = work.Options() & kKindsMask;
        if (kinds == dfoStored) {
            result = DeflateStoredOnly(aSource, aDest, work);
        } else {
            const TBlockMode mode = kinds == dfoStatic    ? TBlockMode::bmFixedOnly
                                    : kinds == dfoDynamic ? TBlockMode::bmDynamicOnly
                                                          : TBlockMode::bmSmallest;
            // 16-bit chain entries cover every plain Deflate window.
            if (work.Options() & dfoDeflate64)
                result = TEncoder<uint32_t>(aSource, aDest, work, mode, good, lazy, chain).Run();
            else
                result = TEncoder<uint16_t>(aSource, aDest, work, mode, good, lazy, chain).Run();
        }
    } catch (const EZpInternalDeflateError& e) {
        throw EZpDeflateError(e.Message());
    }
    if (aHelper) {
        aHelper->PlainSize = aSource->Position() - sourceBefore;
        aHelper->PackedSize = aDest->Position() - destBefore;
    }
    return result;
}
