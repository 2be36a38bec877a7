#pragma once

#include <QByteArray>
#include <QImage>
#include <QWidget>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "widgets/Control.h"

// Pictures from files: bitmaps (.bmp), JPEG pictures (.jpg, .jpeg, decoded with libjpeg) and
// PNG button glyphs, and the picture control that shows them.
namespace veloria::widgets {

// A picture file that cannot be read; the message names the file.
class PictureError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The file of that name; where no file has exactly that name, the one whose name differs only in
// case. The name as given when there is neither.
std::filesystem::path FindFile(std::string_view fileName);

// The bytes a QByteArray holds, as the decoders below take them.
inline std::span<const std::byte> BytesOf(const QByteArray& bytes) {
    return {reinterpret_cast<const std::byte*>(bytes.constData()), std::size_t(bytes.size())};
}

// A picture in memory in the format named ("PNG", "BMP"), or a null image where it is not one.
// The format is not guessed: guessing loads every image plug-in Qt has, to ask each one.
QImage DecodeImage(std::span<const std::byte> data, const char* format);

// Decoders; each throws PictureError naming the file.
QImage LoadBitmapFile(std::string_view fileName);
QImage LoadJpegFile(std::string_view fileName);
// A JPEG picture in memory; `what` names it in the error message. With a denominator of 2, 4 or
// 8, shrunk that many times each way as it is decoded, its density with it.
QImage DecodeJpeg(std::span<const std::byte> data, std::string_view what, int denominator = 1);
// The pixel size of a JPEG picture in memory and the density it states (dots per metre across, 0
// where it states none), read from its header alone.
struct JpegHeader {
    QSize size;
    int dotsPerMeterX = 0;
};
JpegHeader ReadJpegHeader(std::span<const std::byte> data, std::string_view what);

// A picture loaded from a file into a fresh object: on failure the object keeps what it held.
class TPicture {
  public:
    TPicture() = default;
    // A picture the program makes or carries. One whose image says it was drawn for a denser
    // screen than 96 dots per inch (192 dpi: twice the pixels each way) is kept as it is too, to
    // be drawn sharp on a screen with that many device pixels (QT_SCALE_FACTOR=2, a 192-dpi
    // screen); its size and Image() are those at 96 dpi. Files of the working directory are
    // drawn at their pixel size whatever they say (LoadFromFile).
    explicit TPicture(QImage image, bool bitmap = true);
    // The same picture decoded when it is first drawn or its image is first asked for:
    // `decode(n)` gives the image the constructor above takes, shrunk n times each way (n is 1,
    // or 2, 4 or 8 for the image at 96 dpi of a picture drawn for a denser screen, which is then
    // decoded whole only for such a screen); `size` is its pixel size and `dotsPerMeterX` its
    // density. Copies share the decoding. So come the program's own pictures: the windows made
    // at the start decode only what they show. A picture that fails to decode then is empty.
    using Decoder = std::function<QImage(int denominator)>;
    TPicture(QSize size, int dotsPerMeterX, Decoder decode, bool bitmap = false);

    // By extension: ".bmp" a bitmap, ".jpg"/".jpeg" JPEG, ".png" PNG.
    void LoadFromFile(std::string_view fileName);
    bool Empty() const {
        return deferred_ ? deferred_->decoded && deferred_->image.isNull() : image_.isNull();
    }
    int Width() const { return deferred_ ? deferred_->size.width() : image_.width(); }
    int Height() const { return deferred_ ? deferred_->size.height() : image_.height(); }
    const QImage& Image() const {
        Decode(false);
        return image_;
    }
    // What to draw, into a rectangle of the picture's size, on a screen of that device-pixel
    // ratio: the denser image where there is one and the screen shows more than Image() holds.
    const QImage& ImageFor(qreal devicePixelRatio) const {
        Decode(devicePixelRatio > 1);
        return devicePixelRatio > 1 && !dense_.isNull() ? dense_ : image_;
    }
    // The same picture with `change` applied to each of its images.
    template <class Change>
    TPicture Changed(Change change) const {
        Decode(true);
        TPicture out(*this);
        out.image_ = change(image_);
        if (!dense_.isNull())
            out.dense_ = change(dense_);
        return out;
    }
    // Bitmaps can be drawn transparent (the colour of their bottom-left pixel see-through).
    bool IsBitmap() const { return bitmap_; }
    // What the picture tells the user, for those who cannot see it; a picture without it is
    // decoration, which a screen reader passes over.
    void SetDescription(std::string_view description) { description_ = description; }
    const std::string& Description() const { return description_; }

  protected:
    // A picture not decoded yet, shared by its copies.
    struct Deferred {
        Decoder decode;
        QSize size;     // at 96 dpi
        int ratio = 1;  // the pixels each way of the picture as drawn for one at 96 dpi
        bool decoded = false, denseDecoded = false;
        QImage image, dense;
    };

    // The images from an image as drawn: the image itself, or, for one drawn for a denser
    // screen, its size at 96 dpi and the image as it stands (dense).
    static void Split(QImage drawn, QImage& image, QImage& dense);
    // Takes the images of a deferred picture (the dense one too when asked), decoding them at
    // the first of its copies to ask.
    void Decode(bool dense) const;

    mutable QImage image_;
    mutable QImage dense_;  // null, or the picture at twice (or more) the pixels of image_ each way
    mutable std::shared_ptr<Deferred> deferred_;
    bool bitmap_ = false;
    std::string description_;
};

// A picture that must be a bitmap file.
class TBitmap : public TPicture {
  public:
    void LoadFromFile(std::string_view fileName);
};

// A picture that only decorates a window (a background, a logo, a button's picture), loaded by
// file name. One that cannot be read must not cost the user the window: the first such failure of
// the session shows the standard error box, later ones are silent, and the caller goes on without
// the picture (the object keeps what it held). True when the picture was loaded.
bool LoadDecoration(TPicture& picture, std::string_view fileName);
// Makes the next failure show its box again, as in a new session (tests).
void ForgetDecorationFailures();

// The bitmap with the colour of its bottom-left pixel made see-through, as transparent bitmaps
// are drawn.
QImage TransparentBitmap(const QImage& image);

class TImage : public ControlHost<QWidget> {
  public:
    explicit TImage(QWidget* parent);

    void SetPicture(const TPicture& picture);
    const TPicture& Picture() const { return picture_; }
    // Loads the file into a fresh picture and shows it.
    void LoadFromFile(std::string_view fileName);
    void Clear();

    void SetTransparent(bool transparent);
    void SetStretch(bool stretch);
    void SetCenter(bool center);
    void SetProportional(bool proportional);
    void SetAutoSize(bool autoSize);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void Prepare();

    TPicture picture_;
    TPicture shown_;
    bool transparent_ = false;
    bool stretch_ = false;
    bool center_ = false;
    bool proportional_ = false;
    bool autoSize_ = false;
};

}  // namespace veloria::widgets
