#pragma once
// Pictures for the server, shrunk and encoded off the main thread: the PNG
// of a large box takes tens of milliseconds. One worker serves every runner.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/cloud/cloud_image.hpp"
#include "core/foundation/work_queue.hpp"

namespace kestrove {

class PictureEncoder {
public:
    struct Encoded {
        std::optional<CloudImage> baseline;  // when one was given and could be encoded
        std::optional<CloudImage> current;
    };
    using Picture = std::shared_ptr<const Image>;

    // `threads` 0: nothing runs until runAll() (tests).
    explicit PictureEncoder(Executor mainThread, int threads = 1);

    // Each picture given, at most `maxSide` on its long side, as PNG. An
    // owner's newer request replaces one still waiting.
    [[nodiscard]] Pending encode(const std::string& owner, Picture baseline, Picture current, int maxSide,
                                 std::function<void(Encoded)> done);
    std::size_t runAll() { return queue_.runAll(); }

private:
    struct Worker {};
    WorkQueue<Worker> queue_;
};

}  // namespace kestrove
