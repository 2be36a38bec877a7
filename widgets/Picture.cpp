#include "widgets/Picture.h"

#include <QBuffer>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "widgets/Accessible.h"
#include "widgets/Application.h"

namespace veloria::widgets {
namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Quoted(std::string_view fileName) {
    return "\"" + std::string(fileName) + "\"";
}

[[noreturn]] void CannotOpen(std::string_view fileName) {
    throw PictureError("Cannot open file " + Quoted(fileName));
}

std::vector<std::byte> ReadAll(std::string_view fileName) {
    const std::filesystem::path path = FindFile(fileName);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        CannotOpen(fileName);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        CannotOpen(fileName);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        CannotOpen(fileName);
    std::vector<std::byte> out(bytes.size());
    std::transform(bytes.begin(), bytes.end(), out.begin(), [](char c) { return std::byte(c); });
    return out;
}

QImage Read(std::string_view fileName, const char* format, const char* invalid) {
    const QImage image = DecodeImage(ReadAll(fileName), format);
    if (image.isNull())
        throw PictureError(std::string(invalid) + " (" + Quoted(fileName) + ")");
    return image.convertToFormat(QImage::Format_ARGB32);
}

std::string Extension(std::string_view fileName) {
    return Lower(std::filesystem::path(std::string(fileName)).extension().string());
}

}  // namespace

std::filesystem::path FindFile(std::string_view fileName) {
    std::filesystem::path path{std::string(fileName)};
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
        return path;
    const std::filesystem::path dir =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    const std::string wanted = Lower(path.filename().string());
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (Lower(it->path().filename().string()) == wanted) {
            return path.has_parent_path() ? it->path() : it->path().filename();
        }
    }
    return path;
}

QImage DecodeImage(std::span<const std::byte> data, const char* format) {
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QImage LoadBitmapFile(std::string_view fileName) {
    return Read(fileName, "BMP", "Bitmap image is not valid");
}

QImage LoadJpegFile(std::string_view fileName) {
    const std::vector<std::byte> bytes = ReadAll(fileName);
    return DecodeJpeg(bytes, fileName);
}

namespace {

// How many pixels each way of a picture of that size and density stand for one at 96 dpi: 1 for
// a picture to be drawn as it stands.
int DenseRatio(QSize size, int dotsPerMeterX) {
    const int ratio = int(std::lround(dotsPerMeterX * 0.0254 / 96.0));
    return ratio >= 2 && size.width() % ratio == 0 && size.height() % ratio == 0 ? ratio : 1;
}

}  // namespace

TPicture::TPicture(QImage image, bool bitmap) : bitmap_(bitmap) {
    Split(std::move(image), image_, dense_);
}

TPicture::TPicture(QSize size, int dotsPerMeterX, Decoder decode, bool bitmap)
    : deferred_(std::make_shared<Deferred>()), bitmap_(bitmap) {
    Deferred& d = *deferred_;
    d.decode = std::move(decode);
    d.ratio = DenseRatio(size, dotsPerMeterX);
    d.size = size / d.ratio;
}

void TPicture::Split(QImage drawn, QImage& image, QImage& dense) {
    const int ratio = DenseRatio(drawn.size(), drawn.dotsPerMeterX());
    if (ratio > 1) {
        image = drawn.scaled(drawn.size() / ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        image.setDotsPerMeterX(3780);  // 96 dpi
        image.setDotsPerMeterY(3780);
        dense = std::move(drawn);
    } else {
        image = std::move(drawn);
        dense = QImage();
    }
}

void TPicture::Decode(bool dense) const {
    if (!deferred_)
        return;
    Deferred& d = *deferred_;
    // A picture whose header was read when it was made and whose body cannot be decoded leaves
    // nothing to draw, not an error in the middle of a paint.
    const auto decoded = [&](int denominator) {
        try {
            return d.decode(denominator);
        } catch (const PictureError&) {
            return QImage();
        }
    };
    const bool shrunk = d.ratio == 2 || d.ratio == 4 || d.ratio == 8;
    if (!d.decoded && (!shrunk || dense)) {
        // Whole, and shrunk here.
        Split(decoded(1), d.image, d.dense);
        d.decoded = d.denseDecoded = true;
    } else if (!d.decoded) {
        // Shrunk as it is decoded, a quarter of the work or less: all a screen at 96 dpi needs.
        d.image = decoded(d.ratio);
        d.decoded = true;
    } else if (dense && !d.denseDecoded) {
        d.dense = decoded(1);
        d.denseDecoded = true;
    }
    image_ = d.image;
    dense_ = d.dense;
    if (d.denseDecoded) {
        d.decode = nullptr;
        deferred_.reset();
    }
}

void TPicture::LoadFromFile(std::string_view fileName) {
    dense_ = QImage();
    const std::string ext = Extension(fileName);
    if (ext == ".bmp") {
        image_ = LoadBitmapFile(fileName);
        bitmap_ = true;
    } else if (ext == ".jpg" || ext == ".jpeg") {
        image_ = LoadJpegFile(fileName);
        bitmap_ = false;
    } else if (ext == ".png") {
        image_ = Read(fileName, "PNG", "PNG image is not valid");
        bitmap_ = false;
    } else {
        throw PictureError("Unknown picture file extension (" + ext + ") of " + Quoted(fileName));
    }
    deferred_.reset();
}

void TBitmap::LoadFromFile(std::string_view fileName) {
    image_ = LoadBitmapFile(fileName);
    dense_ = QImage();
    deferred_.reset();
    bitmap_ = true;
}

namespace {
bool decorationFailed = false;
}  // namespace

bool LoadDecoration(TPicture& picture, std::string_view fileName) {
    TPicture fresh;
    try {
        fresh.LoadFromFile(fileName);
    } catch (const PictureError& e) {
        if (!decorationFailed) {
            decorationFailed = true;
            Application().ShowException(e.what());
        }
        return false;
    }
    picture = std::move(fresh);
    return true;
}

void ForgetDecorationFailures() {
    decorationFailed = false;
}

QImage TransparentBitmap(const QImage& image) {
    if (image.isNull())
        return image;
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = out.pixel(0, out.height() - 1) | 0xFF000000u;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((line[x] | 0xFF000000u) == key)
                line[x] = 0;
        }
    }
    return out;
}

// --- TImage ------------------------------------------------------------------------------------

TImage::TImage(QWidget* parent) : ControlHost<QWidget>(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void TImage::SetPicture(const TPicture& picture) {
    const bool meaningChanged = picture.Description() != picture_.Description();
    picture_ = picture;
    if (meaningChanged)
        accessibility::Renamed(*this);
    if (autoSize_ && !picture_.Empty())
        resize(Scale(picture_.Width()), Scale(picture_.Height()));
    Prepare();
}

void TImage::LoadFromFile(std::string_view fileName) {
    TPicture fresh;
    fresh.LoadFromFile(fileName);
    SetPicture(fresh);
}

void TImage::Clear() {
    SetPicture(TPicture());
}

void TImage::SetTransparent(bool transparent) {
    transparent_ = transparent;
    Prepare();
}

void TImage::SetStretch(bool stretch) {
    stretch_ = stretch;
    update();
}

void TImage::SetCenter(bool center) {
    center_ = center;
    update();
}

void TImage::SetProportional(bool proportional) {
    proportional_ = proportional;
    update();
}

void TImage::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    if (autoSize_ && !picture_.Empty())
        resize(Scale(picture_.Width()), Scale(picture_.Height()));
}

void TImage::Prepare() {
    shown_ = transparent_ && picture_.IsBitmap() ? picture_.Changed(TransparentBitmap) : picture_;
    update();
}

void TImage::paintEvent(QPaintEvent*) {
    if (shown_.Empty())
        return;
    QPainter p(this);
    const QSize size(Scale(shown_.Width()), Scale(shown_.Height()));
    QRect target(QPoint(0, 0), size);
    if (stretch_) {
        target = rect();
        if (proportional_)
            target = QRect(QPoint(0, 0), size.scaled(this->size(), Qt::KeepAspectRatio));
    }
    if (center_)
        target.moveCenter(rect().center());
    // Drawn larger, a picture takes the denser image it carries, and stays sharp.
    const QImage& image = shown_.ImageFor(devicePixelRatioF() * ZoomInUse() / 100.0);
    p.setRenderHint(QPainter::SmoothPixmapTransform,
                    stretch_ || ZoomInUse() != 100 || &image != &shown_.Image());
    p.drawImage(target, image);
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Dispatch(OnClick);
}

void TImage::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Dispatch(OnDblClick);
}

}  // namespace veloria::widgets
