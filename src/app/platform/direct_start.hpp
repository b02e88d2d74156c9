#pragma once
// A direct session opened while a watch was being made, with the lines its
// first read gave; it goes on to the watch's runner.

#include <memory>
#include <vector>

#include "app/platform/direct_session.hpp"
#include "core/reading/reading.hpp"

namespace kestrove {

struct DirectStart {
    std::shared_ptr<DirectSession> session;
    std::vector<OCRLine> lines;
};

}  // namespace kestrove
