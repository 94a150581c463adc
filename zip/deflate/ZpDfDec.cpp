#include "zip/deflate/ZpDfDec.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "zip/deflate/ZpDfHufD.h"
#include "zip/deflate/ZpDfOutW.h"
#include "zip/deflate/ZpDfStrm.h"
#include "zip/deflate/ZpDfXlat.h"

namespace {

// ---- Two-level decode tables ------------------------------------------------
//
// The first level is indexed by the next kRoot stream bits; codes longer than
// that continue in a subtable reached from their prefix's slot. An entry:
//   bits 0-7   bits to drop: code length plus extra bits (subtable link: kRoot)
//   bits 8-12  code length (subtable link: the subtable's index bits)
//   bit 13     subtable link        bit 14  literal
//   bit 15     end of block or invalid (value 0 = end of block, 1 = invalid)
//   bits 16-31 literal byte, length or distance base, or subtable offset
// Lengths in subtable entries count from the first bit of the code too.
// Each entry answers one symbol in one lookup (two for long codes), with no
// branch on the code length; a length or distance drops code and extra bits
// in one shift and takes its extra bits from the bits saved before it:
//   value = base + ((saved & mask(bits 0-7)) >> bits 8-12).

constexpr uint32_t kSub = 1u << 13, kLiteral = 1u << 14, kSpecial = 1u << 15;
constexpr uint32_t kEndOfBlock = kSpecial, kInvalid = kSpecial | (1u << 16);

constexpr unsigned kLitRoot = 11, kDistRoot = 8;
// Room for the first level and every subtable of any complete or incomplete
// code (each long code owns at most 2^(15-root) subtable slots).
constexpr size_t kLitTableSize = (size_t(1) << kLitRoot) + 288 * (size_t(1) << (15 - kLitRoot));
constexpr size_t kDistTableSize = (size_t(1) << kDistRoot) + 32 * (size_t(1) << (15 - kDistRoot));

struct TSymbolInfo {
    uint32_t value;  // entry bits 16-31 and flags, without length and extra count
    unsigned extra;  // extra bits
};

// Builds a table for count symbols with the given lengths. Returns false for
// an over-subscribed set; an incomplete set leaves invalid entries.
template <class TInfo>
bool BuildFastTable(uint32_t* table, unsigned root, const uint8_t* lengths, unsigned count, TInfo info)
{
    unsigned counts[16] = {};
    for (unsigned s = 0; s < count; ++s)
        ++counts[lengths[s]];
    counts[0] = 0;
    int left = 1;
    for (unsigned len = 1; len <= 15; ++len) {
        left = (left << 1) - static_cast<int>(counts[len]);
        if (left < 0)
            return false;
    }
    // Symbols sorted by (length, symbol) are in canonical code order.
    unsigned offsets[17] = {};
    for (unsigned len = 1; len < 16; ++len)
        offsets[len + 1] = offsets[len] + counts[len];
    const unsigned total = offsets[16];
    uint16_t sorted[320];
    uint8_t lens[320];
    uint32_t revs[320];
    for (unsigned s = 0; s < count; ++s)
        if (lengths[s])
            sorted[offsets[lengths[s]]++] = static_cast<uint16_t>(s);
    {
        uint32_t code = 0;
        unsigned len = 1, i = 0;
        for (; len <= 15; ++len, code <<= 1)
            for (unsigned k = 0; k < counts[len]; ++k, ++i, ++code) {
                lens[i] = static_cast<uint8_t>(len);
                revs[i] = ZpReverseBits(code, len);
            }
    }

    const uint32_t rootSize = uint32_t(1) << root;
    std::fill(table, table + rootSize, kInvalid);
    size_t nextSub = rootSize;
    for (unsigned i = 0; i < total;) {
        const TSymbolInfo si = info(sorted[i]);
        const unsigned len = lens[i];
        if (len <= root) {
            const uint32_t e = si.value | (len << 8) | (len + si.extra);
            for (uint32_t slot = revs[i]; slot < rootSize; slot += uint32_t(1) << len)
                table[slot] = e;
            ++i;
            continue;
        }
        // Codes sharing this root prefix follow each other in code order; the
        // subtable is as wide as the longest of them needs.
        const uint32_t prefix = revs[i] & (rootSize - 1);
        unsigned j = i + 1;
        while (j < total && (revs[j] & (rootSize - 1)) == prefix)
            ++j;
        const unsigned subBits = lens[j - 1] - root;
        const size_t subBase = nextSub;
        nextSub += size_t(1) << subBits;
        std::fill(table + subBase, table + nextSub, kInvalid | root); // drops the prefix only
        table[prefix] = kSub | (static_cast<uint32_t>(subBase) << 16) | (subBits << 8) | root;
        for (; i < j; ++i) {
            const TSymbolInfo sj = info(sorted[i]);
            const uint32_t e = sj.value | (uint32_t(lens[i]) << 8) | (lens[i] + sj.extra);
            for (uint32_t slot = revs[i] >> root; slot < (uint32_t(1) << subBits); slot += uint32_t(1) << (lens[i] - root))
                table[subBase + slot] = e;
        }
    }
    return true;
}

TSymbolInfo LiteralInfo(unsigned s, bool deflate64)
{
    if (s < 256)
        return {kLiteral | (s << 16), 0};
    if (s == 256)
        return {kEndOfBlock, 0};
    if (s > 285)
        return {kInvalid, 0};
    if (s == 285 && !deflate64)
        return {258u << 16, 0};
    return {uint32_t(kZpLengthBase[s - 257]) << 16, kZpLengthExtra[s - 257]};
}

TSymbolInfo DistanceInfo(unsigned s, bool deflate64)
{
    if (s >= 30 && !deflate64)
        return {kInvalid, 0};
    return {kZpDistanceBase[s] << 16, kZpDistanceExtra[s]};
}

const char* const kInvalidLength = "decoded an invalid length symbol: greater than 285 [DecodeData]";
const char* const kInvalidDistance = "decoded an invalid distance symbol: greater than 29 [DecodeData]";
const char* const kInvalidDistance64 = "decoded an invalid distance symbol: greater than 31 [DecodeData]";
const char* const kDistanceTooFar = "distance reaches before the start of the decoded data [DecodeData]";
const char* const kWhereDecode = "TZpDfInBitStream.DiscardBits";

// Copies length bytes from distance back (distance <= bytes before out).
// Writes whole 8-byte words, so up to 7 bytes past the end are scratched;
// the window keeps room for that.
inline uint8_t* CopyMatch(uint8_t* out, uint32_t length, uint32_t distance)
{
    uint8_t* const end = out + length;
    const uint8_t* src = out - distance;
    uint64_t w, x;
    // Most matches are short: the first words go unconditionally, so the
    // common case takes no loop branch. Each word reads bytes at least one
    // word back, which are final already.
    if (distance >= 16) {
        std::memcpy(&w, src, 8), std::memcpy(&x, src + 8, 8);
        std::memcpy(out, &w, 8), std::memcpy(out + 8, &x, 8);
        std::memcpy(&w, src + 16, 8), std::memcpy(&x, src + 24, 8);
        std::memcpy(out + 16, &w, 8), std::memcpy(out + 24, &x, 8);
        if (length > 32) {
            src += 32;
            out += 32;
            do {
                std::memcpy(&w, src, 8), std::memcpy(&x, src + 8, 8);
                std::memcpy(out, &w, 8), std::memcpy(out + 8, &x, 8);
                src += 16;
                out += 16;
            } while (out < end);
        }
    } else if (distance >= 8) {
        std::memcpy(&w, src, 8), std::memcpy(out, &w, 8);
        std::memcpy(&w, src + 8, 8), std::memcpy(out + 8, &w, 8);
        std::memcpy(&w, src + 16, 8), std::memcpy(out + 16, &w, 8);
        if (length > 24) {
            src += 24;
            out += 24;
            do {
                std::memcpy(&w, src, 8);
                std::memcpy(out, &w, 8);
                src += 8;
                out += 8;
            } while (out < end);
        }
    } else if (distance == 1) {
        w = 0x0101010101010101ull * *src;
        do {
            std::memcpy(out, &w, 8);
            out += 8;
        } while (out < end);
    } else {
        // The pattern repeats every distance bytes, so also every multiple of
        // it: once a multiple of at least 8 bytes exists, copy by words.
        static constexpr uint8_t kStep[8] = {0, 8, 8, 9, 8, 10, 12, 14};
        const unsigned step = kStep[distance];
        for (unsigned i = 0; i < step && out < end; ++i)
            *out = *src, ++out, ++src;
        src = out - step;
        while (out < end) {
            std::memcpy(&w, src, 8);
            std::memcpy(out, &w, 8);
            src += 8;
            out += 8;
        }
    }
    return end;
}

// Base plus the extra bits of a length or distance entry e, from the bits
// as they stood at the start of its code.
inline uint32_t EntryValue(uint32_t e, uint64_t saved)
{
    return (e >> 16) + static_cast<uint32_t>((saved & ((uint64_t(1) << (e & 0xFF)) - 1)) >> ((e >> 8) & 31));
}

[[noreturn]] void Corrupt(const std::string& cause)
{
    throw EZpInternalInflateError(cause);
}

class TDecoder {
public:
    TDecoder(TStream* source, TStream* dest, const TZpDeflateHelper& work)
        : deflate64_((work.Options() & dfoDeflate64) != 0), in_(source, &work.PercentHook, work.SourceSize),
          out_(dest, work.StopAfterSize, (work.Options() & dfoVerifyOnly) != 0, (work.Options() & dfoAdler32) != 0,
               deflate64_),
          litTable_(new uint32_t[kLitTableSize]), distTable_(new uint32_t[kDistTableSize])
    {
        cursor_ = out_.Begin();
    }

    void Run();
    uint32_t Finish()
    {
        const uint32_t sum = out_.Finish(cursor_);
        cursor_ = out_.Begin(); // everything has left the window
        return sum;
    }
    // Lets whatever was decoded leave, when an exception ends decoding.
    void FlushQuietly()
    {
        try {
            Finish();
        } catch (...) {
        }
    }
    int64_t Produced() const { return out_.Position(cursor_); }
    TZpDfInBitStream& Input() { return in_; }

private:
    void StoredBlock();
    void DynamicBlock();
    void FixedTables();
    void ReadLitDistCodeLengths(const TZpDfDecodeHuffmanTree& cl, uint8_t* lengths, unsigned count);
    void DecodeData();
    template <bool kDeflate64>
    bool FastLoop(uint8_t*& out, const uint8_t* limit, const uint8_t* begin);

    bool deflate64_;
    TZpDfInBitStream in_;
    TZpDfOutputWindow out_;
    uint8_t* cursor_;
    // Filled by each block's table build before use.
    std::unique_ptr<uint32_t[]> litTable_, distTable_;
    bool fixedReady_ = false;
};

void TDecoder::Run()
{
    bool final = false;
    while (!final) {
        final = in_.Take(1, "TZpDfInBitStream.ReadBit") != 0;
        const uint32_t type = in_.Take(2, "TZpDfInBitStream.ReadBits");
        switch (type) {
        case 0:
            StoredBlock();
            break;
        case 1:
            FixedTables();
            DecodeData();
            break;
        case 2:
            DynamicBlock();
            DecodeData();
            break;
        default:
            Corrupt("starting new block, but invalid block type [Inflate]");
        }
    }
}

void TDecoder::StoredBlock()
{
    in_.AlignToByte();
    const uint32_t len = in_.Take(16, "TZpDfInBitStream.ReadBits");
    const uint32_t nlen = in_.Take(16, "TZpDfInBitStream.ReadBits");
    if ((len ^ 0xFFFF) != nlen)
        Corrupt("invalid stored block (length and NOT length do not match) [InflateStoredBlock]");
    in_.ReadBuffer(len, [this](const uint8_t* data, size_t n) { cursor_ = out_.PutRun(cursor_, data, n); });
}

void TDecoder::FixedTables()
{
    if (fixedReady_)
        return;
    uint8_t lengths[288 + 32];
    std::fill(lengths, lengths + 144, 8);
    std::fill(lengths + 144, lengths + 256, 9);
    std::fill(lengths + 256, lengths + 280, 7);
    std::fill(lengths + 280, lengths + 288, 8);
    std::fill(lengths + 288, lengths + 320, 5);
    const bool d64 = deflate64_;
    BuildFastTable(litTable_.get(), kLitRoot, lengths, 288, [d64](unsigned s) { return LiteralInfo(s, d64); });
    BuildFastTable(distTable_.get(), kDistRoot, lengths + 288, 32, [d64](unsigned s) { return DistanceInfo(s, d64); });
    fixedReady_ = true;
}

void TDecoder::DynamicBlock()
{
    const unsigned hlit = in_.Take(5, "TZpDfInBitStream.ReadBits") + 257;
    const unsigned hdist = in_.Take(5, "TZpDfInBitStream.ReadBits") + 1;
    const unsigned hclen = in_.Take(4, "TZpDfInBitStream.ReadBits") + 4;
    if (hlit > 286)
        Corrupt("count of literal codes in dynamic block is greater than 286 [InflateDynamicBlock]");
    if (!deflate64_ && hdist > 30)
        Corrupt("count of distance codes in dynamic block is greater than 30 [InflateDynamicBlock]");
    uint8_t clLengths[19] = {};
    for (unsigned k = 0; k < hclen; ++k)
        clLengths[kZpCodeLengthOrder[k]] = static_cast<uint8_t>(in_.Take(3, "TZpDfInBitStream.ReadBits"));
    TZpDfDecodeHuffmanTree cl(19, 7, TZpDfHuffmanUsage::ForDecoding);
    cl.Build(clLengths, 0, 19, nullptr, TZpDfDecodeHuffmanTree::kNoExtraBits);
    uint8_t lengths[318] = {};
    ReadLitDistCodeLengths(cl, lengths, hlit + hdist);
    const bool d64 = deflate64_;
    if (!BuildFastTable(litTable_.get(), kLitRoot, lengths, hlit, [d64](unsigned s) { return LiteralInfo(s, d64); }))
        Corrupt("over-subscribed literal/length code lengths [InflateDynamicBlock]");
    if (!BuildFastTable(distTable_.get(), kDistRoot, lengths + hlit, hdist,
                        [d64](unsigned s) { return DistanceInfo(s, d64); }))
        Corrupt("over-subscribed distance code lengths [InflateDynamicBlock]");
    fixedReady_ = false;
}

void TDecoder::ReadLitDistCodeLengths(const TZpDfDecodeHuffmanTree& cl, uint8_t* lengths, unsigned count)
{
    const unsigned lookup = cl.LookupBitLength();
    const char* const where = "TZpDfInBitStream.DiscardBits";
    unsigned i = 0;
    while (i < count) {
        in_.Refill();
        const uint64_t bits = in_.Bits();
        const uint32_t slot = cl.Decode(static_cast<uint32_t>(bits & ((uint64_t(1) << lookup) - 1)));
        const unsigned sym = slot & 0xFFFF, len = (slot >> 16) & 0xFF;
        if (sym > 18)
            Corrupt("decoded a symbol not between 0 and 18 {ReadLitDistCodeLengths}");
        if (len == 0 || len > lookup)
            Corrupt("decoded a code length out of range {ReadLitDistCodeLengths}");
        if (sym < 16) {
            in_.Consume(len, where);
            lengths[i++] = static_cast<uint8_t>(sym);
            continue;
        }
        unsigned extraBits = sym == 16 ? 2 : sym == 17 ? 3 : 7;
        const unsigned extra = static_cast<unsigned>(bits >> len) & ((1u << extraBits) - 1);
        in_.Consume(len + extraBits, where);
        unsigned repeat;
        uint8_t value = 0;
        if (sym == 16) {
            if (i == 0)
                Corrupt("repeat of the previous code length at the first position {ReadLitDistCodeLengths}");
            value = lengths[i - 1];
            repeat = 3 + extra;
        } else {
            repeat = (sym == 17 ? 3 : 11) + extra;
        }
        if (i + repeat > count)
            Corrupt("code length repeat runs past the count of lengths {ReadLitDistCodeLengths}");
        std::memset(lengths + i, value, repeat);
        i += repeat;
    }
}

// The hot loop: one refill, one lookup per symbol (two for long codes),
// copies by 8-byte words when the distance allows.
void TDecoder::DecodeData()
{
    const uint32_t* const lit = litTable_.get();
    const uint32_t* const dist = distTable_.get();
    constexpr uint32_t kLitMask = (1u << kLitRoot) - 1, kDistMask = (1u << kDistRoot) - 1;
    uint8_t* const begin = out_.Begin();
    uint8_t* limit = out_.WritePoint();
    const int64_t stop = out_.StopSize();
    // A stop size counts from the first byte: it can only fall in the buffer
    // before anything has left the window.
    if (stop > 0 && out_.LeftCount() == 0 && stop < limit - begin)
        limit = begin + stop;
    uint8_t* out = cursor_;
    for (;;) {
        if (out >= limit) [[unlikely]] {
            if (stop > 0 && out_.Position(out) >= stop) {
                cursor_ = out;
                throw EZpPartSizedInflate();
            }
            out = out_.Slide(out);
            limit = out_.WritePoint();
        }
        // Up to three literals per step: stop two bytes early so a stop size
        // is met by the symbol that reaches it.
        if (deflate64_ ? FastLoop<true>(out, limit - 2, begin) : FastLoop<false>(out, limit - 2, begin))
            return;
        if (out >= limit)
            continue;
        // Near the end of the byte buffer or of the window: one symbol with
        // every check, then try the fast loop again.
        in_.Refill();
        uint64_t bits = in_.Bits();
        uint32_t e = lit[bits & kLitMask];
        if (e & kSub)
            e = lit[(e >> 16) + ((bits >> kLitRoot) & ((1u << ((e >> 8) & 31)) - 1))];
        if (e & kLiteral) {
            in_.Consume(e & 0xFF, kWhereDecode);
            *out++ = static_cast<uint8_t>(e >> 16);
        } else {
            if (e & kSpecial) {
                in_.Consume(e & 0xFF, kWhereDecode);
                cursor_ = out;
                if ((e >> 16) == 0)
                    return; // end of block
                Corrupt(kInvalidLength);
            }
            const uint32_t length = EntryValue(e, bits);
            in_.Consume(e & 0xFF, kWhereDecode);
            if (in_.Count() < 32)
                in_.Refill();
            bits = in_.Bits();
            uint32_t d = dist[bits & kDistMask];
            if (d & kSub)
                d = dist[(d >> 16) + ((bits >> kDistRoot) & ((1u << ((d >> 8) & 31)) - 1))];
            if (d & kSpecial) {
                in_.Consume(d & 0xFF, kWhereDecode);
                cursor_ = out;
                Corrupt(deflate64_ ? kInvalidDistance64 : kInvalidDistance);
            }
            const uint32_t distance = EntryValue(d, bits);
            in_.Consume(d & 0xFF, kWhereDecode);
            if (distance > static_cast<size_t>(out - begin)) {
                cursor_ = out;
                Corrupt(kDistanceTooFar);
            }
            out = CopyMatch(out, length, distance);
        }
    }
}

// Decodes while the byte buffer holds at least kFastMargin bytes and the
// output is below limit, with the bit state in locals (stores through the
// output pointer would otherwise force it back to memory). Returns true at
// the end of the block; errors raise as in the careful loop.
template <bool kDeflate64>
bool TDecoder::FastLoop(uint8_t*& outRef, const uint8_t* limit, const uint8_t* begin)
{
    constexpr uint32_t kLitMask = (1u << kLitRoot) - 1, kDistMask = (1u << kDistRoot) - 1;
    const uint32_t* const lit = litTable_.get();
    const uint32_t* const dist = distTable_.get();
    TZpDfInBitStream::TState st = in_.Export();
    const uint8_t* in = st.next;
    const uint8_t* const inLast = st.end - TZpDfInBitStream::kFastMargin;
    uint64_t bits = st.bits;
    unsigned count = st.count;
    uint8_t* out = outRef;
    bool endOfBlock = false;
    const char* failure = nullptr;

    // Each step ends by loading the next symbol's table entry, so that its
    // lookup overlaps the copy of a match.
    uint64_t w;
    auto refill = [&] {
        std::memcpy(&w, in, 8);
        bits |= w << count;
        in += (63 - count) >> 3;
        count |= 56;
    };
    if (in > inLast || out >= limit)
        goto done;
    refill();
    for (uint32_t e = lit[bits & kLitMask];;) {
        if (e & kSub) [[unlikely]]
            e = lit[(e >> 16) + ((bits >> kLitRoot) & ((1u << ((e >> 8) & 31)) - 1))];
        uint64_t saved = bits;
        bits >>= e & 0xFF;
        count -= e & 0xFF;
        if (e & kLiteral) {
            *out++ = static_cast<uint8_t>(e >> 16);
            // After one literal at least 41 bits remain: two more short
            // literals (no subtable, at most 11 bits each) fit without a refill.
            uint32_t e2 = lit[bits & kLitMask];
            if (e2 & kLiteral) {
                bits >>= e2 & 0xFF;
                count -= e2 & 0xFF;
                *out++ = static_cast<uint8_t>(e2 >> 16);
                e2 = lit[bits & kLitMask];
                if (e2 & kLiteral) {
                    bits >>= e2 & 0xFF;
                    count -= e2 & 0xFF;
                    *out++ = static_cast<uint8_t>(e2 >> 16);
                }
            }
            if (in > inLast || out >= limit)
                break;
            refill();
            e = lit[bits & kLitMask];
            continue;
        }
        if (e & kSpecial) {
            if ((e >> 16) == 0) {
                endOfBlock = true;
                break;
            }
            failure = kInvalidLength;
            break;
        }
        const uint32_t length = EntryValue(e, saved);
        // Plain Deflate needs at most 20 + 28 bits per match: no refill between.
        if (kDeflate64 && count < 32)
            refill();
        uint32_t d = dist[bits & kDistMask];
        if (d & kSub) [[unlikely]]
            d = dist[(d >> 16) + ((bits >> kDistRoot) & ((1u << ((d >> 8) & 31)) - 1))];
        saved = bits;
        bits >>= d & 0xFF;
        count -= d & 0xFF;
        if (d & kSpecial) {
            failure = kDeflate64 ? kInvalidDistance64 : kInvalidDistance;
            break;
        }
        const uint32_t distance = EntryValue(d, saved);
        if (distance > static_cast<size_t>(out - begin)) {
            failure = kDistanceTooFar;
            break;
        }
        refill();
        e = lit[bits & kLitMask];
        out = CopyMatch(out, length, distance);
        if (in > inLast || out >= limit)
            break;
    }
done:
    in_.Import({in, st.end, bits, count});
    outRef = out;
    cursor_ = out;
    if (failure)
        Corrupt(failure);
    return endOfBlock;
}

} // namespace

uint32_t Inflate(TStream* aSource, TStream* aDest, TZpDeflateHelper* aHelper)
{
    ZpAssert(aSource != nullptr, "Inflate: aSource stream cannot be nil");
    ZpAssert(aDest != nullptr, "Inflate: aDest stream cannot be nil");
    TZpDeflateHelper work = ZpWorkingHelper(aHelper, *aSource);
    const std::unique_ptr<TZpLogger> log = ZpOpenCallLog(work, "INFLATING STREAM...");
    // The decrypting stream (traditional zip encryption) wraps the source
    // here once it exists; until then an encrypted stream is refused.
    if (!work.CryptPassword.empty())
        throw EZpInflateError("traditional zip encryption is not available in this engine build");

    const int64_t sourceBefore = aSource->Position();
    const int64_t destBefore = aDest->Position();
    const bool verifyOnly = (work.Options() & dfoVerifyOnly) != 0;
    uint32_t result = 0;
    int64_t produced = 0;
    {
        TDecoder decoder(aSource, aDest, work);
        try {
            decoder.Run();
            result = decoder.Finish();
        } catch (const EZpPartSizedInflate&) {
            decoder.FlushQuietly();
            result = 0;
        } catch (const EZpAbortProgress&) {
            decoder.FlushQuietly();
            result = 0;
        } catch (const EZpInternalInflateError& e) {
            decoder.FlushQuietly();
            if (log)
                log->WriteLine("Internal exception raised: " + e.Message());
            throw EZpInflateError(e.Message());
        } catch (...) {
            decoder.FlushQuietly();
            throw;
        }
        produced = decoder.Produced();
        decoder.Input().Release();
    }
    if (aHelper) {
        aHelper->PlainSize = verifyOnly ? produced : aDest->Position() - destBefore;
        aHelper->PackedSize = aSource->Position() - sourceBefore;
    }
    return result;
}
