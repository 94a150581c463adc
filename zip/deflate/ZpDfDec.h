// The Inflate decoder: raw Deflate and Deflate64 streams.
#pragma once

#include <cstdint>

#include "platform/Stream.h"
#include "zip/deflate/ZpDfBase.h"

// Decodes the raw Deflate stream at aSource's position into aDest's position
// and returns the CRC-32 (or Adler-32 with dfoAdler32) of the decoded bytes,
// or 0 when stopped by StopAfterSize or aborted by the hook. The source is
// left just after the compressed data used. aHelper may be null; its
// PackedSize and PlainSize are written after a normal end, a stop or an abort.
// Corrupt data raises EZpInflateError (bytes decoded before it have reached
// aDest); a wrong password raises EZpInflatePasswordError.
uint32_t Inflate(TStream* aSource, TStream* aDest, TZpDeflateHelper* aHelper);
