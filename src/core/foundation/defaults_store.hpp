#pragma once
// The settings store: typed values under string keys. The application's
// store keeps each value's type across restarts; MemoryDefaults keeps them
// in memory for developer modes and tests, never touching the user's own.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kestrove {

using DefaultsValue = std::variant<bool, double, std::string, std::vector<std::uint8_t>>;

class DefaultsStore {
public:
    virtual ~DefaultsStore() = default;

    // The stored value, or absent.
    virtual std::optional<DefaultsValue> object(std::string_view key) const = 0;
    // Stores the value; an absent value removes the key.
    virtual void set(std::string_view key, std::optional<DefaultsValue> value) = 0;

    void removeObject(std::string_view key) { set(key, std::nullopt); }
    // Typed reads: a value of another type counts as absent (false for boolean).
    std::optional<std::string> string(std::string_view key) const;
    std::optional<std::vector<std::uint8_t>> data(std::string_view key) const;
    std::optional<double> number(std::string_view key) const;
    bool boolean(std::string_view key) const;
};

class MemoryDefaults final : public DefaultsStore {
public:
    std::optional<DefaultsValue> object(std::string_view key) const override;
    void set(std::string_view key, std::optional<DefaultsValue> value) override;

private:
    mutable std::mutex lock_;
    std::map<std::string, DefaultsValue, std::less<>> store_;
};

}  // namespace kestrove
