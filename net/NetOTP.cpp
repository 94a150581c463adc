#include "net/NetOTP.h"

#include <cctype>
#include <sstream>
#include <vector>

#include "net/NetHash.h"

namespace {

// Larger counts are no real challenge; refusing them keeps a hostile
// server from holding the client in a hashing loop.
constexpr uint32_t kMaxSequence = 100000;

std::array<uint8_t, 8> Fold(TNetOTPMethod method, std::span<const uint8_t> data)
{
    std::array<uint8_t, 8> r{};
    if (method == otpSHA1) {
        const auto d = NetSHA1(data);
        // Words 0^2^4 and 1^3 of the digest, each stored least significant
        // byte first: the byte order the standard's SHA-1 vectors were made with.
        for (size_t i = 0; i < 4; ++i) {
            r[i] = d[3 - i] ^ d[11 - i] ^ d[19 - i];
            r[i + 4] = d[7 - i] ^ d[15 - i];
        }
        return r;
    }
    const auto d = method == otpMD4 ? NetMD4(data) : NetMD5(data);
    for (size_t i = 0; i < 8; ++i)
        r[i] = d[i] ^ d[i + 8];
    return r;
}

} // namespace

uint64_t NetOTPKey(TNetOTPMethod method, const std::string& seed, const std::string& passPhrase, uint32_t count)
{
    std::string start;
    for (const char c : seed)
        start += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    start += passPhrase;
    auto key = Fold(method, std::span(reinterpret_cast<const uint8_t*>(start.data()), start.size()));
    for (uint32_t i = 0; i < count; ++i)
        key = Fold(method, key);
    uint64_t value = 0;
    for (const uint8_t b : key)
        value = (value << 8) | b;
    return value;
}

std::string NetOTPSixWords(uint64_t key)
{
    unsigned checksum = 0;
    for (int i = 0; i < 64; i += 2)
        checksum += static_cast<unsigned>((key >> i) & 3);
    std::string out;
    for (int w = 0; w < 6; ++w) {
        // Bits 65..0 of key:checksum; word w takes bits 65-11w .. 55-11w.
        const int low = 55 - 11 * w;
        uint32_t index;
        if (low >= 2)
            index = static_cast<uint32_t>((key >> (low - 2)) & 0x7FF);
        else
            index = static_cast<uint32_t>(((key << 2) | (checksum & 3)) & 0x7FF);
        if (w > 0)
            out += ' ';
        out += kNetOTPDictionary[index];
    }
    return out;
}

std::optional<std::string> NetOTPResponse(const std::string& text, const std::string& passPhrase)
{
    static constexpr struct {
        const char* name;
        TNetOTPMethod method;
    } kMethods[] = {{"md4", otpMD4}, {"md5", otpMD5}, {"sha1", otpSHA1}};
    for (size_t at = text.find("otp-"); at != std::string::npos; at = text.find("otp-", at + 1)) {
        std::istringstream words(text.substr(at + 4));
        std::string name, sequence, seed;
        words >> name >> sequence >> seed;
        for (const auto& m : kMethods) {
            if (name != m.name)
                continue;
            if (sequence.empty() || sequence.size() > 7 || seed.empty())
                return std::nullopt;
            for (const char c : sequence)
                if (!std::isdigit(static_cast<unsigned char>(c)))
                    return std::nullopt;
            const auto count = static_cast<uint32_t>(std::stoul(sequence));
            if (count > kMaxSequence)
                return std::nullopt;
            return NetOTPSixWords(NetOTPKey(m.method, seed, passPhrase, count));
        }
    }
    return std::nullopt;
}
