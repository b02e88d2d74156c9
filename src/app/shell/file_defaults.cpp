#include "app/shell/file_defaults.hpp"

#include "core/foundation/data_files.hpp"
#include "core/foundation/json_io.hpp"
#include "core/foundation/log.hpp"

namespace kestrove {

namespace {

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
    return -1;
}

std::vector<std::uint8_t> bytes(const JsonReader& data) {
    const std::string text = data.string();
    if (text.size() % 2) data.fail(JsonError::Kind::dataCorrupted, "bytes of an odd length");
    std::vector<std::uint8_t> out(text.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const int high = nibble(text[2 * i]), low = nibble(text[2 * i + 1]);
        if (high < 0 || low < 0) data.fail(JsonError::Kind::dataCorrupted, "bytes that are not hexadecimal");
        out[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return out;
}

Json toJson(const DefaultsValue& value) {
    return std::visit(
        [](const auto& v) -> Json {
            if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::vector<std::uint8_t>>)
                return Json{{"data", hex(v)}};
            else
                return v;
        },
        value);
}

DefaultsValue fromJson(const JsonReader& value) {
    const Json& json = value.json();
    if (json.is_boolean()) return value.boolean();
    if (json.is_number()) return value.number();
    if (json.is_string()) return value.string();
    if (json.is_object() && json.size() == 1 && json.contains("data")) return bytes(value.at("data"));
    value.fail(JsonError::Kind::typeMismatch, "a value of no known type");
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
            const Json doc = JsonReader::parse(std::string_view(reinterpret_cast<const char*>(raw.data()), raw.size()));
            if (!doc.is_object()) JsonReader(doc, "").fail(JsonError::Kind::typeMismatch, "not a JSON object");
            Values values;
            for (const auto& [key, value] : doc.items())
                if (!value.is_null()) values.emplace(key, fromJson(JsonReader(value, key)));  // a number that was not finite
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

void FileDefaults::removeInterruptedSaves(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    const auto removed =
        removeInterruptedWrites(file.parent_path(), [&](std::string_view target) { return target == name; });
    if (!removed.empty()) logLine(interruptedWritesNote(removed));
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
        Json doc = Json::object();
        for (const auto& [key, value] : values) doc[key] = toJson(value);
        written = writeFileAtomically(file_, encodePretty(doc) + "\n");
    }
    if (!written) logLine("could not save the settings: " + written.error());
}

}  // namespace kestrove
