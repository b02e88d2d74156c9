#pragma once
// Reading the text shown in the picture of a box.

#include <functional>
#include <string>
#include <vector>

#include "core/foundation/pending.hpp"
#include "core/picture/image.hpp"
#include "core/reading/reading.hpp"

namespace kestrove {

class TextRecognizer {
public:
    using Done = std::function<void(std::vector<OCRLine>)>;

    virtual ~TextRecognizer() = default;

    // The lines in reading order, boxes normalised to the picture with the
    // origin at its top-left corner, confidences from 0 to 1. Runs off the
    // caller's thread; `done` runs once, through the executor the recogniser
    // was made with, never inside the call, only while the handle is held.
    // Nothing is reported as an error: a failure gives no lines. `owner`: the
    // watch asking; its newer request replaces one still waiting (empty: a
    // one-off). The picture is shared, not copied: a screen-sized box is
    // 15 MB.
    [[nodiscard]] virtual Pending recognize(const std::string& owner, SharedImage image, bool languageCorrection,
                                            Done done) = 0;
    // The owner is gone: its waiting requests are dropped.
    virtual void forget(const std::string& owner) = 0;

    // One recognition of a drawn sample, so that the first real one does not
    // pay the start-up cost. Returns at once.
    virtual void warmUp() = 0;
};

}  // namespace kestrove
