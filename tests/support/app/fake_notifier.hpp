#pragma once
// A Notifier for the engine's tests: records what would be posted.

#include <string>
#include <vector>

#include "app/platform/notifier.hpp"
#include "core/foundation/executor.hpp"

namespace kestrove::fakes {

class FakeNotifier final : public Notifier {
public:
    struct Posted {
        std::string title, body, threadId;
        bool hasPicture = false;
    };

    explicit FakeNotifier(Executor main) : main_(std::move(main)) {}

    std::vector<Posted> posted;
    bool isAvailable = true;                                  // false: nothing is posted
    NotificationStatus answer = NotificationStatus::allowed;  // status() while available

    bool available() const override { return isAvailable; }
    Pending status(StatusDone done) override {
        const auto s = isAvailable ? answer : NotificationStatus::notDetermined;
        return Pending::answered(main_, [done, s] { done(s); });
    }
    void bark(const std::string& title, const std::string& body, SharedImage image,
              const std::string& threadId) override {
        if (isAvailable) posted.push_back({title, body, threadId, image && image->isValid()});
    }

private:
    Executor main_;
};

}  // namespace kestrove::fakes
