#include "widgets/Look.h"

namespace veloria::widgets {
namespace {

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

}  // namespace veloria::widgets
