#include <gtest/gtest.h>

#include <cstdio>

#include <jpeglib.h>

#include "app/JpegDecoder.h"
#include "tests/support/FileContents.h"

namespace {

// A small JPEG made with libjpeg: a horizontal ramp, colour or grey.
std::vector<uint8_t> MakeJpeg(int width, int height, int components, J_COLOR_SPACE space)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(width * components);
    for (int x = 0; x < width; ++x)
        for (int c = 0; c < components; ++c)
            row[x * components + c] = static_cast<unsigned char>(x * 255 / (width - 1));
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// Offset of the frame header's height field (after FFC0 or FFC2, length, precision).
size_t SofSizeOffset(const std::vector<uint8_t>& j)
{
    for (size_t i = 2; i + 9 < j.size(); ++i)
        if (j[i] == 0xFF && (j[i + 1] == 0xC0 || j[i + 1] == 0xC2))
            return i + 5;
    return 0;
}

} // namespace

TEST(JpegDecoder, DecodesColourAndGrey)
{
    for (auto [components, space] : {std::pair{3, JCS_RGB}, std::pair{1, JCS_GRAYSCALE}}) {
        const auto jpeg = MakeJpeg(64, 16, components, space);
        TRgbPicture pic;
        std::string error;
        ASSERT_TRUE(DecodeJpeg(jpeg, pic, error)) << error;
        EXPECT_EQ(pic.Width, 64);
        EXPECT_EQ(pic.Height, 16);
        ASSERT_EQ(pic.Pixels.size(), 64u * 16 * 3);
        // A ramp from black to white, whatever the colour model.
        EXPECT_LT(pic.Pixels[0], 12);
        EXPECT_GT(pic.Pixels[(8 * 64 + 63) * 3 + 1], 243);
    }
}

TEST(JpegDecoder, ShippedAboutPicture)
{
    const std::vector<uint8_t> bytes = ReadFileBytes(VORN_SOURCE_DIR "/app/AboutPicture.jpg");
    TRgbPicture pic;
    std::string error;
    ASSERT_TRUE(DecodeJpeg(bytes, pic, error)) << error;
    EXPECT_EQ(pic.Width, 396);
    EXPECT_EQ(pic.Height, 256);
    // A faint background: dark text must stay readable on every pixel.
    uint8_t darkest = 255;
    for (uint8_t v : pic.Pixels)
        darkest = std::min(darkest, v);
    EXPECT_GT(darkest, 200);
}

TEST(JpegDecoder, BadDataFailsCleanly)
{
    const auto good = MakeJpeg(40, 24, 3, JCS_RGB);
    const size_t sof = SofSizeOffset(good);
    ASSERT_NE(sof, 0u);
    auto withSize = [&](int w, int h) {
        auto j = good;
        j[sof] = uint8_t(h >> 8), j[sof + 1] = uint8_t(h);
        j[sof + 2] = uint8_t(w >> 8), j[sof + 3] = uint8_t(w);
        return j;
    };
    auto cmyk = MakeJpeg(16, 16, 4, JCS_CMYK);
    struct { const char* name; std::vector<uint8_t> bytes; } cases[] = {
        {"empty", {}},
        {"one byte", {0xFF}},
        {"not a JPEG", std::vector<uint8_t>(500, 'x')},
        {"PNG signature", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}},
        {"header only", std::vector<uint8_t>(good.begin(), good.begin() + sof + 8)},
        {"cut in the data", std::vector<uint8_t>(good.begin(), good.begin() + good.size() * 3 / 4)},
        {"cut before the end marker", std::vector<uint8_t>(good.begin(), good.end() - 2)},
        {"too wide", withSize(kMaxJpegSide + 1, 24)},
        {"too tall", withSize(40, 65535)},
        {"zero height", withSize(40, 0)},
        {"CMYK", cmyk},
    };
    for (const auto& c : cases) {
        TRgbPicture pic;
        pic.Width = 7;
        std::string error;
        EXPECT_FALSE(DecodeJpeg(c.bytes, pic, error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
        EXPECT_EQ(pic.Width, 0) << c.name;
        EXPECT_TRUE(pic.Pixels.empty()) << c.name;
    }
    // Damage anywhere in the data: a failure or a picture, never a crash.
    for (size_t i = 0; i < good.size(); i += 7) {
        auto j = good;
        j[i] ^= 0x5A;
        TRgbPicture pic;
        std::string error;
        if (DecodeJpeg(j, pic, error)) {
            EXPECT_EQ(pic.Pixels.size(), size_t(pic.Width) * pic.Height * 3);
        }
    }
}
