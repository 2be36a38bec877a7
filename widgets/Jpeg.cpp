#include <cmath>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <vector>

#include <jpeglib.h>

#include "widgets/Pages.h"
#include "widgets/Picture.h"

// JPEG decoding through libjpeg's C API. libjpeg reports a fatal error by calling error_exit,
// which must not return; throwing through its C frames is undefined, so error_exit jumps back
// (longjmp) into Decode, whose frame holds nothing that needs destroying. Everything that does
// (the decompressor, the output rows) lives in the caller and is released by RAII.
namespace veloria::widgets {
namespace {

struct ErrorManager {
    jpeg_error_mgr pub;  // first: libjpeg sees only this part
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void OnJpegError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (a truncated file ends in grey) are not failures, and nothing is printed.
extern "C" void OnJpegMessage(j_common_ptr, int) {}

class Decompressor {
  public:
    Decompressor() {
        cinfo.err = jpeg_std_error(&err.pub);
        err.pub.error_exit = OnJpegError;
        err.pub.emit_message = OnJpegMessage;
        err.message[0] = '\0';
    }
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }  // harmless before creation
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
};

// Qt's 32-bit RGB, which libjpeg-turbo writes itself, its alpha byte opaque.
constexpr J_COLOR_SPACE kRgb32 = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;

// Where the scanlines go: RGB rows straight into the image, or CMYK rows into a buffer first.
struct Output {
    QImage image;
    std::vector<unsigned char> cmyk;
};

// All libjpeg calls. Returns false after a fatal libjpeg error (the message is in d.err).
bool Decode(Decompressor& d, const unsigned char* data, std::size_t size, int denominator,
            Output& out) {
    if (setjmp(d.err.jump))
        return false;
    jpeg_create_decompress(&d.cinfo);
    jpeg_mem_src(&d.cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&d.cinfo, TRUE);
    const bool cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
    d.cinfo.out_color_space = cmyk ? JCS_CMYK : kRgb32;
    d.cinfo.scale_num = 1;
    d.cinfo.scale_denom = unsigned(denominator);
    jpeg_start_decompress(&d.cinfo);
    const JDIMENSION width = d.cinfo.output_width;
    const JDIMENSION height = d.cinfo.output_height;
    out.image = QImage(int(width), int(height), QImage::Format_RGB32);
    if (out.image.isNull())
        return false;
    MapPagesAtOnce(out.image.constBits(), std::size_t(out.image.sizeInBytes()));
    // The density the picture was drawn for, where the file states one, less as it is shrunk.
    if (d.cinfo.saw_JFIF_marker && (d.cinfo.density_unit == 1 || d.cinfo.density_unit == 2)) {
        const double perMeter = (d.cinfo.density_unit == 1 ? 1.0 : 2.54) / 0.0254 / denominator;
        out.image.setDotsPerMeterX(int(std::lround(d.cinfo.X_density * perMeter)));
        out.image.setDotsPerMeterY(int(std::lround(d.cinfo.Y_density * perMeter)));
    }
    if (cmyk)
        out.cmyk.resize(std::size_t(width) * 4);
    while (d.cinfo.output_scanline < height) {
        const int y = int(d.cinfo.output_scanline);
        JSAMPROW row = cmyk ? out.cmyk.data() : out.image.scanLine(y);
        jpeg_read_scanlines(&d.cinfo, &row, 1);
        if (cmyk) {
            // Adobe writes CMYK inverted; either way the ink over white, times the black.
            const bool inverted = d.cinfo.saw_Adobe_marker;
            auto* rgb = reinterpret_cast<QRgb*>(out.image.scanLine(y));
            for (JDIMENSION x = 0; x < width; ++x) {
                int c = out.cmyk[x * 4], m = out.cmyk[x * 4 + 1], ye = out.cmyk[x * 4 + 2],
                    k = out.cmyk[x * 4 + 3];
                if (!inverted) {
                    c = 255 - c;
                    m = 255 - m;
                    ye = 255 - ye;
                    k = 255 - k;
                }
                rgb[x] = qRgb(c * k / 255, m * k / 255, ye * k / 255);
            }
        }
    }
    jpeg_finish_decompress(&d.cinfo);
    return true;
}

// libjpeg's reading of the header alone. Returns false after a fatal libjpeg error.
bool ReadHeader(Decompressor& d, const unsigned char* data, std::size_t size, JpegHeader& out) {
    if (setjmp(d.err.jump))
        return false;
    jpeg_create_decompress(&d.cinfo);
    jpeg_mem_src(&d.cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&d.cinfo, TRUE);
    out.size = QSize(int(d.cinfo.image_width), int(d.cinfo.image_height));
    if (d.cinfo.saw_JFIF_marker && (d.cinfo.density_unit == 1 || d.cinfo.density_unit == 2)) {
        const double perInch = d.cinfo.density_unit == 1 ? 1.0 : 2.54;
        out.dotsPerMeterX = int(std::lround(d.cinfo.X_density * perInch / 0.0254));
    }
    return true;
}

[[noreturn]] void Fail(const Decompressor& d, std::string_view what) {
    const std::string cause = d.err.message[0] ? d.err.message : "cannot decode";
    throw PictureError("JPEG error: " + cause + " in \"" + std::string(what) + "\"");
}

}  // namespace

JpegHeader ReadJpegHeader(std::span<const std::byte> data, std::string_view what) {
    if (data.empty())
        throw PictureError("JPEG error: empty file \"" + std::string(what) + "\"");
    Decompressor d;
    JpegHeader header;
    if (!ReadHeader(d, reinterpret_cast<const unsigned char*>(data.data()), data.size(), header))
        Fail(d, what);
    return header;
}

QImage DecodeJpeg(std::span<const std::byte> data, std::string_view what, int denominator) {
    if (data.empty())
        throw PictureError("JPEG error: empty file \"" + std::string(what) + "\"");
    Decompressor d;
    Output out;
    if (!Decode(d, reinterpret_cast<const unsigned char*>(data.data()), data.size(), denominator,
                out))
        Fail(d, what);
    return out.image;
}

}  // namespace veloria::widgets
