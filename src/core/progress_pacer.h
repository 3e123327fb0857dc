// The one pacing of a long loop's reports to the Host: every `every` steps
// the position goes out and the stop question is asked; the steps between
// cost a counter. (The front decides how often to repaint; asking per
// element would make its event pump the expensive part.)
#pragma once

#include <cstdint>

#include "core/host.h"

namespace quillon {

class ProgressPacer {
public:
    // `host` may be null: nothing is reported, nothing stops.
    ProgressPacer(Host* host, unsigned every) : host_(host), every_(every ? every : 1) {}

    // One step of the loop at `position`. True when the user asked to stop.
    bool Step(uint64_t position) {
        if (++steps_ < every_) return false;
        steps_ = 0;
        return Report(position);
    }
    // Reports `position` now (a loop's last step). True when the user asked to stop.
    bool Report(uint64_t position) {
        if (!host_) return false;
        host_->ProgressTo(position);
        return host_->StopRequested();
    }

private:
    Host* host_;
    unsigned every_;
    unsigned steps_ = 0;
};

}  // namespace quillon
