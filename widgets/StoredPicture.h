#pragma once

#include <string_view>

#include "widgets/Picture.h"

namespace veloria::widgets {

// A picture that comes with the program itself (splash, window backgrounds, button glyphs),
// compiled into it, as opposed to the pictures of the working directory that the windows load by
// file name. JPEG pictures are decoded with libjpeg like any other. Throws PictureError naming it.
TPicture StoredPicture(std::string_view name);

}  // namespace veloria::widgets
