// The Deflate encoder: LZ77 with hash chains and lazy matching, per-block
// choice of stored, fixed-code or dynamic-code blocks by computed size.
#pragma once

#include <cstdint>

#include "platform/Stream.h"
#include "zip/deflate/ZpDfBase.h"

// Compresses every byte from aSource's position to its end into a raw Deflate
// stream written at aDest's position. Returns the CRC-32 (or Adler-32 with
// dfoAdler32) of the bytes consumed. aHelper may be null (default options);
// only its PackedSize and PlainSize are written. Stored blocks read their
// bytes back from aSource, so aSource must be seekable.
// Raises EZpDeflateError for engine failures; stream errors and
// EZpAbortProgress pass through.
uint32_t Deflate(TStream* aSource, TStream* aDest, TZpDeflateHelper* aHelper);
