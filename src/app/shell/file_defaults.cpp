#include "app/shell/file_defaults.hpp"

#include <nlohmann/json.hpp>

#include "core/foundation/data_files.hpp"
#include "core/foundation/log.hpp"

namespace kestrove {

namespace {

using nlohmann::json;

std::string hex(const std::vector<std::uint8_t>& bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (const std::uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

int nibble(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw std::runtime_error("bytes that are not hexadecimal");
}

std::vector<std::uint8_t> bytes(const std::string& text) {
    if (text.size() % 2) throw std::runtime_error("bytes of an odd length");
    std::vector<std::uint8_t> out(text.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<std::uint8_t>(nibble(text[2 * i]) << 4 | nibble(text[2 * i + 1]));
    return out;
}

json toJson(const DefaultsValue& value) {
    return std::visit(
        [](const auto& v) -> json {
            if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::vector<std::uint8_t>>)
                return json{{"data", hex(v)}};
            else
                return v;
        },
        value);
}

DefaultsValue fromJson(const std::string& key, const json& value) {
    if (value.is_boolean()) return value.get<bool>();
    if (value.is_number()) return value.get<double>();
    if (value.is_string()) return value.get<std::string>();
    if (value.is_object() && value.size() == 1 && value.contains("data") && value["data"].is_string())
        return bytes(value["data"].get<std::string>());
    throw std::runtime_error("the value of \"" + key + "\" has no known type");
}

}  // namespace

FileDefaults::FileDefaults(std::filesystem::path file)
    : file_(std::move(file)), writer_("settings file", 1, inlineExecutor(), [] { return std::make_unique<Writer>(); }) {
    load();
}

FileDefaults::~FileDefaults() {
    writer_.drain();
    writer_.stop();
}

void FileDefaults::load() {
    const FileRead read = readWholeFile(file_);
    if (std::holds_alternative<FileMissing>(read)) return;
    if (const auto* unreadable = std::get_if<FileUnreadable>(&read)) {
        damage_ = unreadable->reason;
    } else {
        const auto& raw = std::get<std::vector<std::uint8_t>>(read);
        try {
            const json doc = json::parse(raw.begin(), raw.end());
            if (!doc.is_object()) throw std::runtime_error("not a JSON object");
            std::map<std::string, DefaultsValue, std::less<>> values;
            for (const auto& [key, value] : doc.items())
                if (!value.is_null()) values.emplace(key, fromJson(key, value));  // a number that was not finite
            values_ = std::move(values);
            return;
        } catch (const std::exception& e) {
            damage_ = e.what();
        }
    }
    // Kept aside at once, so the reason and the copy are in the log from launch on.
    keepDamagedAside();
}

std::optional<DefaultsValue> FileDefaults::object(std::string_view key) const {
    const std::lock_guard hold(lock_);
    const auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void FileDefaults::set(std::string_view key, std::optional<DefaultsValue> value) {
    Values snapshot;
    {
        const std::lock_guard hold(lock_);
        const auto it = values_.find(key);
        if (!value) {
            if (it == values_.end()) return;
            values_.erase(it);
        } else if (it == values_.end()) {
            values_.emplace(std::string(key), std::move(*value));
        } else if (it->second == *value) {
            return;
        } else {
            it->second = std::move(*value);
        }
        snapshot = values_;
    }
    // Two syncs per write: never on the caller's thread.
    writer_.run({"settings.json", "save"}, [this, snapshot = std::move(snapshot)](Writer&) { save(snapshot); });
}

bool FileDefaults::keepDamagedAside() {
    const auto moved = moveAside(file_);
    if (!moved) {
        logLine("the settings in " + file_.string() + " cannot be used (" + damage_ + ") nor kept aside (" +
                moved.error() + "); starting from the defaults, the file is left as it is");
        return false;
    }
    if (!moved.value().empty())
        logLine("the settings in " + file_.string() + " cannot be used (" + damage_ +
                "); starting from the defaults, kept them as " + moved.value().string());
    damage_.clear();
    return true;
}

void FileDefaults::save(const Values& values) {
    if (!damage_.empty() && !keepDamagedAside()) return;
    Result<Done, std::string> written = makePrivateFolder(file_.parent_path());
    if (written) {
        json doc = json::object();
        for (const auto& [key, value] : values) doc[key] = toJson(value);
        written = writeFileAtomically(file_, doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n");
    }
    if (!written) logLine("could not save the settings: " + written.error());
}

}  // namespace kestrove
