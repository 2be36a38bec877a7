#pragma once

#include <initializer_list>
#include <string_view>

#include "widgets/Picture.h"

namespace veloria::widgets {

// A picture that comes with the program itself (splash, window backgrounds, button glyphs),
// compiled into it, as opposed to the pictures of the working directory that the windows load by
// file name. JPEG pictures are decoded with libjpeg like any other. Throws PictureError naming it.
TPicture StoredPicture(std::string_view name);

// Decodes those of the program's JPEG pictures, as a window's first paint at 96 dpi would, here
// and now: on a thread beside the start, which the paint then spares. The window made later that
// draws one of them takes the image instead of decoding it again. Safe on any thread; a picture
// that cannot be decoded is left to the window.
void DecodeStoredAhead(std::initializer_list<std::string_view> names);
// Drops what was decoded ahead and not drawn (a window drawn at another zoom decodes its own).
void ForgetStoredAhead();

}  // namespace veloria::widgets
