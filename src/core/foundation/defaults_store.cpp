#include "core/foundation/defaults_store.hpp"

namespace kestrove {

namespace {

template <typename T>
std::optional<T> typed(const std::optional<DefaultsValue>& value) {
    if (value)
        if (const T* v = std::get_if<T>(&*value)) return *v;
    return std::nullopt;
}

}  // namespace

std::optional<std::string> DefaultsStore::string(std::string_view key) const { return typed<std::string>(object(key)); }

std::optional<std::vector<std::uint8_t>> DefaultsStore::data(std::string_view key) const {
    return typed<std::vector<std::uint8_t>>(object(key));
}

std::optional<double> DefaultsStore::number(std::string_view key) const { return typed<double>(object(key)); }

bool DefaultsStore::boolean(std::string_view key) const { return typed<bool>(object(key)).value_or(false); }

std::optional<DefaultsValue> MemoryDefaults::object(std::string_view key) const {
    std::lock_guard guard(lock_);
    auto it = store_.find(key);
    if (it == store_.end()) return std::nullopt;
    return it->second;
}

void MemoryDefaults::set(std::string_view key, std::optional<DefaultsValue> value) {
    std::lock_guard guard(lock_);
    if (!value) {
        if (auto it = store_.find(key); it != store_.end()) store_.erase(it);
        return;
    }
    store_.insert_or_assign(std::string(key), std::move(*value));
}

}  // namespace kestrove
