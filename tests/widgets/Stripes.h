#pragma once

#include <QImage>

namespace veloria::widgets::test {

// One-pixel columns, black and white by turns, in a picture stating its density: any scaling
// shows, as grey or as doubled columns.
inline QImage Stripes(int w, int h, int dpi) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    }
    image.setDotsPerMeterX(int(dpi / 0.0254 + 0.5));
    image.setDotsPerMeterY(int(dpi / 0.0254 + 0.5));
    return image;
}

}  // namespace veloria::widgets::test
