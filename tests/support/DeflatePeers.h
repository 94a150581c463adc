// zlib and libdeflate as peers of our Deflate engine: raw Deflate streams
// (no zlib or gzip wrapper) made and decoded by them. Tests and benchmarks
// use these as oracles and baselines; the product never links either library.
#pragma once

#include <libdeflate.h>
#include <zlib.h>

#include <cstdint>
#include <span>
#include <vector>

// zlib's raw Deflate stream of in at level (1..9).
inline std::vector<uint8_t> ZlibDeflate(const std::vector<uint8_t>& in, int level)
{
    z_stream s{};
    deflateInit2(&s, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> out(deflateBound(&s, in.size()));
    s.next_in = const_cast<uint8_t*>(in.data());
    s.avail_in = static_cast<uInt>(in.size());
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(out.size());
    deflate(&s, Z_FINISH);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

// libdeflate's raw Deflate stream of in at level (1..12).
inline std::vector<uint8_t> LibdeflateDeflate(const std::vector<uint8_t>& in, int level)
{
    libdeflate_compressor* c = libdeflate_alloc_compressor(level);
    std::vector<uint8_t> out(libdeflate_deflate_compress_bound(c, in.size()));
    out.resize(libdeflate_deflate_compress(c, in.data(), in.size(), out.data(), out.size()));
    libdeflate_free_compressor(c);
    return out;
}

// zlib decodes the raw stream in into out, which must have room for all of
// it; true when the stream's end was reached. *produced (when given) gets the
// byte count written. No allocation, so benchmarks can time it.
inline bool ZlibInflateInto(std::span<const uint8_t> in, std::span<uint8_t> out, size_t* produced = nullptr)
{
    z_stream s{};
    inflateInit2(&s, -15);
    s.next_in = const_cast<uint8_t*>(in.data());
    s.avail_in = static_cast<uInt>(in.size());
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(out.size());
    const int r = inflate(&s, Z_FINISH);
    if (produced)
        *produced = s.total_out;
    inflateEnd(&s);
    return r == Z_STREAM_END;
}
