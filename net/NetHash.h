// The three message digests one-time passwords use. Written here because
// the product links no crypto library; none of them is used for anything
// but answering a server's challenge.
#pragma once

#include <array>
#include <cstdint>
#include <span>

std::array<uint8_t, 16> NetMD4(std::span<const uint8_t> data);
std::array<uint8_t, 16> NetMD5(std::span<const uint8_t> data);
std::array<uint8_t, 20> NetSHA1(std::span<const uint8_t> data);
