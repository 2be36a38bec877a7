#include "widgets/Look.h"

#include <algorithm>
#include <cmath>

namespace veloria::widgets {
namespace {

double Luminance(TColor c) {
    const auto channel = [](std::uint8_t v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b);
}

TLook& InUse() {
    static TLook look = kStandardLook;
    return look;
}

}  // namespace

const TLook& Look() {
    return InUse();
}

void SetLook(const TLook& look) {
    InUse() = look;
}

double ContrastRatio(TColor a, TColor b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace veloria::widgets
