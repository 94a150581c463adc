// One-time passwords (RFC 2289): a server's "otp-<method> <sequence> <seed>"
// challenge answered with six dictionary words instead of the password.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

enum TNetOTPMethod { otpMD4, otpMD5, otpSHA1 };

extern const std::array<const char*, 2048> kNetOTPDictionary;

// The 64-bit one-time password: hash of lowered seed + pass phrase, folded,
// then hashed and folded again count times. Byte 0 is the top byte.
uint64_t NetOTPKey(TNetOTPMethod method, const std::string& seed, const std::string& passPhrase, uint32_t count);
// The six-word form (64 bits plus a 2-bit checksum, 11 bits a word).
std::string NetOTPSixWords(uint64_t key);
// When text holds a challenge ("otp-" then md4, md5 or sha1, exact case,
// then a sequence number and a seed), the six-word answer; otherwise none.
std::optional<std::string> NetOTPResponse(const std::string& text, const std::string& passPhrase);
