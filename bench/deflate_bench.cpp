// Our Deflate engine beside zlib level 6 and libdeflate level 6 over the same
// files, in one process. Usage: deflate_bench [file...]; without files it
// takes the Canterbury corpus and the Silesia files (extracted once into the
// build folder with unzip). Prints a table, then one "ratio <name> <value>"
// line per goal. Times are the thread's CPU time.
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "tests/support/DeflatePeers.h"
#include "tests/support/FileContents.h"
#include "tests/support/SharedFolder.h"
#include "zip/deflate/ZpCrc32.h"
#include "zip/deflate/ZpDfDec.h"
#include "zip/deflate/ZpDfEnc.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

// CPU time of this thread: on a shared machine other processes then do not
// count against whichever engine happened to be running.
double Now()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

std::vector<fs::path> DefaultFiles()
{
    std::vector<fs::path> files;
    const fs::path shared = SharedDir();
    if (shared.empty()) {
        std::fprintf(stderr, "deflate_bench: no shared corpus beside %s; give files as arguments\n", VORN_SOURCE_DIR);
        std::exit(2);
    }
    const fs::path corpus = shared / "corpus";
    for (const auto& e : fs::directory_iterator(corpus / "canterbury"))
        if (e.is_regular_file())
            files.push_back(e.path());
    const fs::path extracted = fs::path(VORN_BINARY_DIR) / "bench" / "silesia";
    fs::create_directories(extracted);
    for (const auto& e : fs::directory_iterator(corpus / "silesia")) {
        if (e.path().extension() != ".zip")
            continue;
        const fs::path target = extracted / e.path().stem();
        if (!fs::exists(target)) {
            const std::string cmd = "unzip -o -q '" + e.path().string() + "' -d '" + extracted.string() + "'";
            if (std::system(cmd.c_str()) != 0)
                std::fprintf(stderr, "deflate_bench: could not extract %s\n", e.path().c_str());
        }
        if (fs::exists(target))
            files.push_back(target);
    }
    std::sort(files.begin(), files.end());
    return files;
}

struct TTotals {
    double bytes = 0, packed = 0, seconds = 0;
};

Bytes OursDeflate(const Bytes& in)
{
    TZpDeflateHelper h;
    h.SetPresetLetter('0');
    h.SetPresetLetter('n');
    TMemoryStream src(in), dst;
    Deflate(&src, &dst, &h);
    return std::move(dst.Bytes());
}

// dst is reused between runs (like the peers' output buffers), so the
// timing does not include first-touch page faults of a fresh buffer.
bool OursInflate(const Bytes& in, TMemoryStream& dst, const Bytes& expect)
{
    TMemoryStream src(in);
    dst.SetPosition(0);
    Inflate(&src, &dst, nullptr);
    return dst.Position() == static_cast<int64_t>(expect.size()) &&
           std::equal(expect.begin(), expect.end(), dst.Bytes().begin());
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i)
        files.emplace_back(argv[i]);
    if (files.empty())
        files = DefaultFiles();

    TTotals ourC, zC, ldC, ourD, zD, ldD, ourCrc, zCrc, ldCrc;
    std::printf("%-14s %10s | %9s %7s | %9s %7s | %9s %7s | %8s %8s %8s\n", "file", "bytes", "ours n", "MB/s",
                "zlib 6", "MB/s", "libdefl 6", "MB/s", "inf ours", "inf zlib", "inf ldfl");
    libdeflate_decompressor* ld = libdeflate_alloc_decompressor();
    bool allOk = true;
    for (const auto& path : files) {
        const Bytes data = ReadFileBytes(path);
        const double mb = data.size() / 1e6;
        // Best of two runs, the engines taking turns, so a busy machine
        // disturbs all of them alike.
        Bytes ours, z, l;
        double tOur = 1e9, tZ = 1e9, tL = 1e9, t;
        for (int rep = 0; rep < 2; ++rep) {
            t = Now();
            ours = OursDeflate(data);
            tOur = std::min(tOur, Now() - t);
            t = Now();
            z = ZlibDeflate(data, 6);
            tZ = std::min(tZ, Now() - t);
            t = Now();
            l = LibdeflateDeflate(data, 6);
            tL = std::min(tL, Now() - t);
        }
        ourC.bytes += data.size(); ourC.packed += ours.size(); ourC.seconds += tOur;
        zC.bytes += data.size(); zC.packed += z.size(); zC.seconds += tZ;
        ldC.bytes += data.size(); ldC.packed += l.size(); ldC.seconds += tL;

        // Decoding speed on the same stream (zlib's level 6 output), best of 3.
        Bytes out(data.size() + 1);
        double bestOur = 1e9, bestZ = 1e9, bestL = 1e9;
        TMemoryStream dst;
        dst.SetSize(static_cast<int64_t>(data.size()));
        for (int rep = 0; rep < 3; ++rep) {
            t = Now();
            allOk &= OursInflate(z, dst, data);
            bestOur = std::min(bestOur, Now() - t);
            t = Now();
            allOk &= ZlibInflateInto(z, std::span(out).first(data.size()));
            bestZ = std::min(bestZ, Now() - t);
            size_t actual = 0;
            t = Now();
            allOk &= libdeflate_deflate_decompress(ld, z.data(), z.size(), out.data(), out.size(), &actual) ==
                     LIBDEFLATE_SUCCESS;
            bestL = std::min(bestL, Now() - t);
        }
        // Our own stream must come back too (not timed).
        allOk &= OursInflate(ours, dst, data);
        ourD.bytes += data.size(); ourD.seconds += bestOur;
        zD.bytes += data.size(); zD.seconds += bestZ;
        ldD.bytes += data.size(); ldD.seconds += bestL;

        // CRC-32, best of 5.
        double cO = 1e9, cZ = 1e9, cL = 1e9;
        uint32_t a = 0, b = 0, c = 0;
        for (int rep = 0; rep < 5; ++rep) {
            t = Now();
            a = ZpCrc32(data.data(), data.size());
            cO = std::min(cO, Now() - t);
            t = Now();
            b = static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
            cZ = std::min(cZ, Now() - t);
            t = Now();
            c = libdeflate_crc32(0, data.data(), data.size());
            cL = std::min(cL, Now() - t);
        }
        allOk &= a == b && b == c;
        ourCrc.bytes += data.size(); ourCrc.seconds += cO;
        zCrc.bytes += data.size(); zCrc.seconds += cZ;
        ldCrc.bytes += data.size(); ldCrc.seconds += cL;

        std::printf("%-14s %10zu | %9zu %7.1f | %9zu %7.1f | %9zu %7.1f | %8.0f %8.0f %8.0f\n",
                    path.filename().c_str(), data.size(), ours.size(), mb / tOur, z.size(), mb / tZ, l.size(),
                    mb / tL, mb / bestOur, mb / bestZ, mb / bestL);
    }
    libdeflate_free_decompressor(ld);
    auto speed = [](const TTotals& x) { return x.bytes / 1e6 / x.seconds; };
    std::printf("\ntotal %.1f MB\n", ourC.bytes / 1e6);
    std::printf("compress MB/s : ours n %.1f, zlib 6 %.1f, libdeflate 6 %.1f\n", speed(ourC), speed(zC), speed(ldC));
    std::printf("compressed    : ours n %.0f, zlib 6 %.0f, libdeflate 6 %.0f bytes\n", ourC.packed, zC.packed,
                ldC.packed);
    std::printf("inflate MB/s  : ours %.0f, zlib %.0f, libdeflate %.0f (same zlib-6 streams)\n", speed(ourD), speed(zD),
                speed(ldD));
    std::printf("crc32 MB/s    : ours %.0f (%s), zlib %.0f, libdeflate %.0f\n", speed(ourCrc),
                ZpCrc32HasFolding() ? "folding" : "table", speed(zCrc), speed(ldCrc));
    std::printf("ratio deflate_n_speed_vs_zlib6 %.3f\n", speed(ourC) / speed(zC));
    std::printf("ratio deflate_n_size_vs_zlib6 %.3f\n", ourC.packed / zC.packed);
    std::printf("ratio inflate_speed_vs_zlib %.3f\n", speed(ourD) / speed(zD));
    std::printf("ratio inflate_speed_vs_libdeflate %.3f\n", speed(ourD) / speed(ldD));
    std::printf("ratio crc32_speed_vs_zlib %.3f\n", speed(ourCrc) / speed(zCrc));
    if (!allOk) {
        std::printf("MISMATCH: some stream did not decode to its input or checksums differ\n");
        return 1;
    }
    return 0;
}
