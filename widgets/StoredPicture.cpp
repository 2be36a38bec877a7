#include "widgets/StoredPicture.h"

#include <QFile>
#include <functional>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <utility>

namespace veloria::widgets {
namespace {

// Pictures decoded ahead, by name: the denominator they were shrunk by, and the image.
std::mutex aheadMutex;
std::map<std::string, std::pair<int, QImage>, std::less<>> ahead;

QImage TakeAhead(std::string_view name, int denominator) {
    const std::scoped_lock lock(aheadMutex);
    const auto it = ahead.find(name);
    if (it == ahead.end() || it->second.first != denominator)
        return {};
    QImage image = std::move(it->second.second);
    ahead.erase(it);
    return image;
}

enum class Decoded { ForTheWindow, Ahead };

TPicture Stored(std::string_view name, Decoded decoded) {
    const std::string path = ":/pictures/" + std::string(name);
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw PictureError("Cannot open the program's picture \"" + std::string(name) + "\"");
    const QByteArray bytes = file.readAll();
    if (name.ends_with(".jpg")) {
        // The backgrounds of windows most of which are not shown at the start: decoded when
        // first drawn.
        const JpegHeader header = ReadJpegHeader(BytesOf(bytes), name);
        return TPicture(header.size, header.dotsPerMeterX,
                        [bytes, decoded, what = std::string(name)](int denominator) {
                            if (decoded == Decoded::ForTheWindow) {
                                if (QImage image = TakeAhead(what, denominator); !image.isNull())
                                    return image;
                            }
                            QImage image = DecodeJpeg(BytesOf(bytes), what, denominator);
                            if (decoded == Decoded::Ahead) {
                                const std::scoped_lock lock(aheadMutex);
                                ahead.insert_or_assign(what, std::pair(denominator, image));
                            }
                            return image;
                        });
    }
    const QImage image = DecodeImage(BytesOf(bytes), name.ends_with(".bmp") ? "BMP" : "PNG");
    if (image.isNull())
        throw PictureError("The program's picture \"" + std::string(name) + "\" is damaged");
    return TPicture(image, name.ends_with(".bmp"));
}

}  // namespace

TPicture StoredPicture(std::string_view name) {
    return Stored(name, Decoded::ForTheWindow);
}

void DecodeStoredAhead(std::initializer_list<std::string_view> names) {
    for (const std::string_view name : names) {
        try {
            Stored(name, Decoded::Ahead).Image();
        } catch (const PictureError&) {
            // The window meets the same failure and deals with it as it always has.
        }
    }
}

void ForgetStoredAhead() {
    const std::scoped_lock lock(aheadMutex);
    ahead.clear();
}

}  // namespace veloria::widgets
