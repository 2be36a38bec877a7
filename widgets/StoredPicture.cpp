#include "widgets/StoredPicture.h"

#include <QFile>
#include <span>
#include <string>

namespace veloria::widgets {

TPicture StoredPicture(std::string_view name) {
    const std::string path = ":/pictures/" + std::string(name);
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw PictureError("Cannot open the program's picture \"" + std::string(name) + "\"");
    const QByteArray bytes = file.readAll();
    if (name.ends_with(".jpg")) {
        // The backgrounds of windows most of which are not shown at the start: decoded when
        // first drawn.
        const auto bytesOf = [](const QByteArray& b) {
            return std::span(reinterpret_cast<const std::byte*>(b.constData()), b.size());
        };
        const JpegHeader header = ReadJpegHeader(bytesOf(bytes), name);
        return TPicture(header.size, header.dotsPerMeterX,
                        [bytes, bytesOf, what = std::string(name)](int denominator) {
                            return DecodeJpeg(bytesOf(bytes), what, denominator);
                        });
    }
    QImage image;
    if (!image.loadFromData(bytes))
        throw PictureError("The program's picture \"" + std::string(name) + "\" is damaged");
    return TPicture(std::move(image), name.ends_with(".bmp"));
}

}  // namespace veloria::widgets
