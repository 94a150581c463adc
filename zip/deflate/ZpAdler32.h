// Adler-32 (RFC 1950): start with 1; there is no final step.
#pragma once

#include <cstddef>
#include <cstdint>

uint32_t ZpAdler32Update(uint32_t adler, const uint8_t* data, size_t size);
