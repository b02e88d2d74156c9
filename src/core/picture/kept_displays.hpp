#pragma once
// The last pictures of display areas. A plain one (nothing of ours over
// it) answers for its area while the server tells of no drawing there. A
// drawing the server tells of while an area is being read may have come
// after the read's pixels: that picture does not answer, or it would stand
// for the screen until the next drawing there, which may never come. Any
// picture stays its area's last, what the parts our windows hide are taken
// from.

#include <cstddef>
#include <optional>
#include <vector>

#include "core/foundation/geometry.hpp"
#include "core/picture/image.hpp"

namespace kestrove {

class KeptDisplays {
public:
    // A read of `area` starts now.
    void reading(const PixelRect& area);
    // The server told of a drawing over `drawn`.
    void drawn(const PixelRect& drawn);
    // The picture of the read begun last; it answers (when `answers`)
    // unless a drawing over its area was told of since it began.
    void keep(const PixelRect& area, Image picture, bool answers = true);
    // The kept picture of exactly `area`, while nothing was drawn there since.
    const Image* find(const PixelRect& area) const;
    // The last picture kept of exactly `area`, whatever came since.
    const Image* last(const PixelRect& area) const;
    // The screens changed: nothing kept holds.
    void clear();

    // Few display boxes at a time: an area no watch reads any more ages out
    // behind the newer ones.
    static constexpr std::size_t most = 32;

private:
    struct Kept {
        PixelRect area;
        Image picture;
        bool drawnOver = false;  // answers no more
    };
    std::vector<Kept> kept_;
    std::optional<PixelRect> reading_;
    bool readingDrawnOver_ = false;
};

}  // namespace kestrove
