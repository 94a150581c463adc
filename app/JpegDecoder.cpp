#include "JpegDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace {

// libjpeg reports fatal errors through error_exit and expects it not to
// return; we leave with longjmp back into Decode. Only libjpeg's own C frames
// and OnError lie between, so no C++ destructor is skipped.
struct TErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Level -1 is a warning about corrupt data (a truncated file among them): the
// decoder would go on and paint grey, but a damaged picture is not shown.
void OnMessage(j_common_ptr cinfo, int level)
{
    if (level < 0)
        OnError(cinfo);
}

const char* Fail(TErrorManager& err, const char* text)
{
    std::snprintf(err.message, sizeof err.message, "%s", text);
    return err.message;
}

// Kept apart from DecodeJpeg so that nothing here lives across setjmp but
// the references passed in.
bool Decode(jpeg_decompress_struct& cinfo, TErrorManager& err, std::span<const uint8_t> bytes,
            TRgbPicture& picture)
{
    if (setjmp(err.jump))
        return false;
    static const unsigned char kNothing[1] = {0};
    jpeg_mem_src(&cinfo, bytes.empty() ? kNothing : bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.image_width == 0 || cinfo.image_height == 0 || cinfo.image_width > kMaxJpegSide ||
        cinfo.image_height > kMaxJpegSide) {
        Fail(err, "Picture size out of range");
        return false;
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 3) {
        Fail(err, "Picture is not in colour or grey");
        return false;
    }
    const size_t stride = static_cast<size_t>(cinfo.output_width) * 3;
    picture.Width = static_cast<int>(cinfo.output_width);
    picture.Height = static_cast<int>(cinfo.output_height);
    picture.Pixels.resize(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = picture.Pixels.data() + stride * cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) {
            Fail(err, "Picture data ended early");
            return false;
        }
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

} // namespace

bool DecodeJpeg(std::span<const uint8_t> bytes, TRgbPicture& picture, std::string& error)
{
    picture = {};
    jpeg_decompress_struct cinfo;
    TErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = OnMessage;
    err.message[0] = '\0';
    jpeg_create_decompress(&cinfo);
    const bool ok = Decode(cinfo, err, bytes, picture);
    jpeg_destroy_decompress(&cinfo);
    if (!ok) {
        picture = {};
        error = err.message;
    }
    return ok;
}
