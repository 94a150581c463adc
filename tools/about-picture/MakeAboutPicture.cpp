// make-about-picture OUT.jpg
// Draws the About window's background: a pale blue-grey gradient under a
// faint tiled pattern of diamonds, 396 x 256, and writes it as a JPEG.
#include <cmath>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 396, kHeight = 256, kTile = 24;

// How strongly the pattern darkens a pixel, 0..1, with soft edges.
double Pattern(int x, int y)
{
    const int row = y / kTile;
    const int shifted = x + (row % 2) * (kTile / 2); // brick-wise rows
    const double cx = (shifted % kTile) - kTile / 2.0 + 0.5;
    const double cy = (y % kTile) - kTile / 2.0 + 0.5;
    const double d = std::fabs(cx) + std::fabs(cy);
    const double ring = std::max(0.0, 1.0 - std::fabs(d - 7.0) / 1.2);
    const double dot = std::max(0.0, 1.0 - std::hypot(cx, cy) / 1.8);
    return std::max(ring, dot * 0.8);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-about-picture OUT.jpg\n");
        return 2;
    }
    std::vector<unsigned char> rgb(kWidth * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const double t = double(y) / (kHeight - 1);
            const double shade = 1.0 - 0.045 * Pattern(x, y);
            const double base[3] = {246 - 16 * t, 248 - 12 * t, 252 - 6 * t};
            for (int c = 0; c < 3; ++c)
                rgb[(y * kWidth + x) * 3 + c] = static_cast<unsigned char>(std::lround(base[c] * shade));
        }

    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = &rgb[cinfo.next_scanline * kWidth * 3];
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(out) == 0 ? 0 : 1;
}
