// CRC-32 of zip (reflected polynomial 0xEDB88320). The update routine takes
// and returns the running register: start with 0xFFFFFFFF and complement
// when finished. A carry-less-multiply folding path is chosen at run time
// where the processor has it; every path computes the same value.
#pragma once

#include <cstddef>
#include <cstdint>

uint32_t ZpCrc32Update(uint32_t crc, const uint8_t* data, size_t size);
// The portable table-driven routine (slicing by 16).
uint32_t ZpCrc32UpdateTable(uint32_t crc, const uint8_t* data, size_t size);
// One byte through the table; used by the traditional zip encryption keys.
uint32_t ZpCrc32Byte(uint32_t crc, uint8_t byte);
// Whether ZpCrc32Update uses the carry-less-multiply path on this machine.
bool ZpCrc32HasFolding();

// Whole-buffer convenience: the finished CRC-32 of the bytes.
inline uint32_t ZpCrc32(const uint8_t* data, size_t size)
{
    return ~ZpCrc32Update(0xFFFFFFFFu, data, size);
}
