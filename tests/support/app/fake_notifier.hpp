#pragma once
// A Notifier for the engine's tests: records what would be posted.

#include <string>
#include <vector>

#include "app/platform/notifier.hpp"

namespace kestrove::testing {

class FakeNotifier final : public Notifier {
public:
    struct Posted {
        std::string title, body, threadId;
        bool hasPicture = false;
    };

    std::vector<Posted> posted;
    bool isAvailable = true;                              // false: nothing is posted
    NotificationStatus answer = NotificationStatus::allowed;  // status() while available

    bool available() const override { return isAvailable; }
    // Answers at once (the real one answers later, on the main thread).
    void status(StatusDone done) override { done(isAvailable ? answer : NotificationStatus::notDetermined); }
    void bark(const std::string& title, const std::string& body, std::optional<Image> image,
              const std::string& threadId) override {
        if (isAvailable) posted.push_back({title, body, threadId, image && image->isValid()});
    }
};

}  // namespace kestrove::testing
