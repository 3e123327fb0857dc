#include "attach/picture_fit.h"

#include <algorithm>

namespace quillon {

PictureRect setATTPICsize(int32_t panelWidth, int32_t panelHeight, int32_t w, int32_t h) {
    PictureRect r;
    const int32_t W = std::max(0, panelWidth - 4), H = std::max(0, panelHeight - 4);
    if (w <= 0 || h <= 0) return r;
    if (w <= W && h <= H) {
        r.width = W, r.height = H;
    } else if (w <= W) {
        r.height = H, r.width = int32_t(int64_t(w) * H / h);
    } else if (h <= H) {
        r.width = W, r.height = int32_t(int64_t(h) * W / w);
    } else {
        const double scale = std::min(double(W) / w, double(H) / h);
        r.width = int32_t(w * scale), r.height = int32_t(h * scale);
    }
    r.x = (panelWidth - r.width) / 2;
    r.y = (panelHeight - r.height) / 2;
    return r;
}

}  // namespace quillon
