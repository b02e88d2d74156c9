#pragma once
// Reading the text shown in the picture of a box.

#include <functional>
#include <vector>

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
    // was made with. Nothing is reported as an error: a failure gives no lines.
    virtual void recognize(Image image, bool languageCorrection, Done done) = 0;

    // One recognition of a drawn sample, so that the first real one does not
    // pay the start-up cost. Returns at once.
    virtual void warmUp() = 0;
};

}  // namespace kestrove
