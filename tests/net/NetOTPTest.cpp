#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "net/NetHash.h"
#include "net/NetOTP.h"

namespace {

template <size_t N>
std::string Hex(const std::array<uint8_t, N>& d)
{
    std::string out;
    char two[3];
    for (const uint8_t b : d) {
        std::snprintf(two, sizeof two, "%02x", b);
        out += two;
    }
    return out;
}

std::span<const uint8_t> Bytes(const std::string& s)
{
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

} // namespace

// Published vectors of each digest, including inputs that cross a block.
TEST(NetHash, KnownDigests)
{
    const std::string million(1000, 'a');
    const std::string block56 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    EXPECT_EQ(Hex(NetMD4(Bytes(""))), "31d6cfe0d16ae931b73c59d7e0c089c0");
    EXPECT_EQ(Hex(NetMD4(Bytes("abc"))), "a448017aaf21d8525fc10ae87aa6729d");
    EXPECT_EQ(Hex(NetMD4(Bytes("12345678901234567890123456789012345678901234567890123456789012345678901234567890"))),
              "e33b4ddc9c38f2199c3e7b164fcc0536");
    EXPECT_EQ(Hex(NetMD5(Bytes(""))), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Hex(NetMD5(Bytes("abc"))), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Hex(NetMD5(Bytes("12345678901234567890123456789012345678901234567890123456789012345678901234567890"))),
              "57edf4a22be3c955ac49da2e2107b67a");
    EXPECT_EQ(Hex(NetSHA1(Bytes("abc"))), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Hex(NetSHA1(Bytes(block56))), "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
}

// The test vectors published with the one-time password standard: the
// 64-bit result and its six-word form for each method, pass phrase, seed
// and count.
TEST(NetOTP, StandardTestVectors)
{
    struct TCase {
        TNetOTPMethod method;
        const char* pass;
        const char* seed;
        uint32_t count;
        uint64_t key;
        const char* words;
    };
    const TCase cases[] = {
        {otpMD4, "This is a test.", "TeSt", 0, 0xD1854218EBBB0B51, "ROME MUG FRED SCAN LIVE LACE"},
        {otpMD4, "This is a test.", "TeSt", 1, 0x63473EF01CD0B444, "CARD SAD MINI RYE COL KIN"},
        {otpMD4, "This is a test.", "TeSt", 99, 0xC5E612776E6C237A, "NOTE OUT IBIS SINK NAVE MODE"},
        {otpMD4, "AbCdEfGhIjK", "alpha1", 0, 0x50076F47EB1ADE4E, "AWAY SEN ROOK SALT LICE MAP"},
        {otpMD4, "AbCdEfGhIjK", "alpha1", 1, 0x65D20D1949B5F7AB, "CHEW GRIM WU HANG BUCK SAID"},
        {otpMD4, "AbCdEfGhIjK", "alpha1", 99, 0xD150C82CCE6F62D1, "ROIL FREE COG HUNK WAIT COCA"},
        {otpMD4, "OTP's are good", "correct", 0, 0x849C79D4F6F55388, "FOOL STEM DONE TOOL BECK NILE"},
        {otpMD4, "OTP's are good", "correct", 1, 0x8C0992FB250847B1, "GIST AMOS MOOT AIDS FOOD SEEM"},
        {otpMD4, "OTP's are good", "correct", 99, 0x3F3BF4B4145FD74B, "TAG SLOW NOV MIN WOOL KENO"},
        {otpMD5, "This is a test.", "TeSt", 0, 0x9E876134D90499DD, "INCH SEA ANNE LONG AHEM TOUR"},
        {otpMD5, "This is a test.", "TeSt", 1, 0x7965E05436F5029F, "EASE OIL FUM CURE AWRY AVIS"},
        {otpMD5, "This is a test.", "TeSt", 99, 0x50FE1962C4965880, "BAIL TUFT BITS GANG CHEF THY"},
        {otpMD5, "AbCdEfGhIjK", "alpha1", 0, 0x87066DD9644BF206, "FULL PEW DOWN ONCE MORT ARC"},
        {otpMD5, "AbCdEfGhIjK", "alpha1", 1, 0x7CD34C1040ADD14B, "FACT HOOF AT FIST SITE KENT"},
        {otpMD5, "AbCdEfGhIjK", "alpha1", 99, 0x5AA37A81F212146C, "BODE HOP JAKE STOW JUT RAP"},
        {otpMD5, "OTP's are good", "correct", 0, 0xF205753943DE4CF9, "ULAN NEW ARMY FUSE SUIT EYED"},
        {otpMD5, "OTP's are good", "correct", 1, 0xDDCDAC956F234937, "SKIM CULT LOB SLAM POE HOWL"},
        {otpMD5, "OTP's are good", "correct", 99, 0xB203E28FA525BE47, "LONG IVY JULY AJAR BOND LEE"},
        {otpSHA1, "This is a test.", "TeSt", 0, 0xBB9E6AE1979D8FF4, "MILT VARY MAST OK SEES WENT"},
        {otpSHA1, "This is a test.", "TeSt", 1, 0x63D936639734385B, "CART OTTO HIVE ODE VAT NUT"},
        {otpSHA1, "This is a test.", "TeSt", 99, 0x87FEC7768B73CCF9, "GAFF WAIT SKID GIG SKY EYED"},
        {otpSHA1, "AbCdEfGhIjK", "alpha1", 0, 0xAD85F658EBE383C9, "LEST OR HEEL SCOT ROB SUIT"},
        {otpSHA1, "AbCdEfGhIjK", "alpha1", 1, 0xD07CE229B5CF119B, "RITE TAKE GELD COST TUNE RECK"},
        {otpSHA1, "AbCdEfGhIjK", "alpha1", 99, 0x27BC71035AAF3DC6, "MAY STAR TIN LYON VEDA STAN"},
        {otpSHA1, "OTP's are good", "correct", 0, 0xD51F3E99BF8E6F0B, "RUST WELT KICK FELL TAIL FRAU"},
        {otpSHA1, "OTP's are good", "correct", 1, 0x82AEB52D943774E4, "FLIT DOSE ALSO MEW DRUM DEFY"},
        {otpSHA1, "OTP's are good", "correct", 99, 0x4F296A74FE1567EC, "AURA ALOE HURL WING BERG WAIT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pass) + " / " + c.seed + " / " + std::to_string(c.count));
        EXPECT_EQ(NetOTPKey(c.method, c.seed, c.pass, c.count), c.key);
        EXPECT_EQ(NetOTPSixWords(c.key), c.words);
    }
}

TEST(NetOTP, ChallengeRecognition)
{
    struct TCase {
        const char* text;
        const char* answer; // nullptr: the password goes unchanged
    };
    const TCase cases[] = {
        {"Response to otp-md5 99 TeSt required for skey.", "BAIL TUFT BITS GANG CHEF THY"},
        {"otp-md4 0 TeSt ext", "ROME MUG FRED SCAN LIVE LACE"},
        {"331 otp-sha1 1 TeSt", "CART OTTO HIVE ODE VAT NUT"},
        {"Password required for user.", nullptr},
        {"OTP-MD5 99 TeSt", nullptr},          // method words are case-sensitive
        {"otp-sha256 5 seed", nullptr},        // unknown method
        {"otp-md5 x seed", nullptr},           // no sequence number
        {"otp-md5 99", nullptr},               // no seed
        {"otp-md5 2000000 seed", nullptr},     // absurd count: no hashing loop
        {"otp-md5 99999999 seed", nullptr},    // no sequence number that long
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto answer = NetOTPResponse(c.text, "This is a test.");
        if (c.answer)
            EXPECT_EQ(answer.value_or("<none>"), c.answer);
        else
            EXPECT_FALSE(answer.has_value());
    }
}

TEST(NetOTP, DictionaryIsTheStandardOne)
{
    EXPECT_STREQ(kNetOTPDictionary[0], "A");
    EXPECT_STREQ(kNetOTPDictionary[570], "YOU");
    EXPECT_STREQ(kNetOTPDictionary[571], "ABED");
    EXPECT_STREQ(kNetOTPDictionary[2047], "YOKE");
    for (size_t i = 1; i < kNetOTPDictionary.size(); ++i) {
        const std::string a = kNetOTPDictionary[i - 1], b = kNetOTPDictionary[i];
        // Short words first, each group in alphabetical order.
        EXPECT_TRUE(a.size() < 4 && b.size() == 4 ? true : a < b) << a << " " << b;
    }
}
