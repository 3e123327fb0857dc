// Where a picture goes in a preview area: small pictures fill it (the
// picture is stretched to the control), larger ones shrink to fit keeping
// their proportions, and the result is centred.
#pragma once

#include <cstdint>

namespace quillon {

struct PictureRect {
    int32_t x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PictureRect&) const = default;
};

// The area is panelWidth × panelHeight less 4 in each direction; the picture
// is pictureWidth × pictureHeight. An empty picture gives an empty rectangle.
PictureRect setATTPICsize(int32_t panelWidth, int32_t panelHeight, int32_t pictureWidth, int32_t pictureHeight);

}  // namespace quillon
