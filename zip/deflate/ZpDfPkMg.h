// Length-limited optimal Huffman code lengths by package-merge.
#pragma once

#include <cstdint>
#include <span>

class TZpLogger;

// Reads the weights (1..286 of them) and writes the code lengths, limited to
// maxCodeLength (1..15), into lengths[start .. start + weights.size() - 1].
// With no nonzero weight the first symbol gets length 1; with one, that
// symbol gets length 1. log may be null.
void GenerateCodeLengths(unsigned maxCodeLength, std::span<const uint32_t> weights, uint8_t* lengths, unsigned start,
                         TZpLogger* log);
