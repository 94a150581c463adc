#pragma once
// Decodes a JPEG held in memory to 8-bit RGB with libjpeg. Any fault in the
// data (truncation, corruption, an unsupported colour model, an absurd size)
// is reported as a failure with libjpeg's message, never a crash.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct TRgbPicture {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Pixels; // rows top to bottom, 3 bytes (R, G, B) a pixel
};

// Pictures larger than this in either direction are refused before any
// pixel memory is taken.
constexpr int kMaxJpegSide = 4096;

// Returns true and fills picture on success; otherwise returns false, leaves
// picture empty and sets error.
bool DecodeJpeg(std::span<const uint8_t> bytes, TRgbPicture& picture, std::string& error);
