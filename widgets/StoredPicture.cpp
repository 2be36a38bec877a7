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
        const auto* data = reinterpret_cast<const std::byte*>(bytes.constData());
        return TPicture(DecodeJpeg(std::span(data, bytes.size()), name), false);
    }
    QImage image;
    if (!image.loadFromData(bytes))
        throw PictureError("The program's picture \"" + std::string(name) + "\" is damaged");
    return TPicture(std::move(image), name.ends_with(".bmp"));
}

}  // namespace veloria::widgets
