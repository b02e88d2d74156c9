#include "core/copy/copy_status.hpp"

#include <vector>

#include "core/foundation/text.hpp"

namespace kestrove::Copy {

namespace {

std::string joined(const std::vector<std::string>& parts) {
    std::string out;
    for (const std::string& p : parts) {
        if (!out.empty()) out += separator;
        out += p;
    }
    return out;
}

std::string barked(const std::optional<std::string>& barkTime) {
    return barkTime ? "BARKED " + *barkTime : std::string("BARKED");
}

bool isAnyChangeFallback(const WatchSpec& spec) {
    return spec.type == WatchType::anyChange && spec.fallbackFrom.has_value();
}

bool endsSentence(std::string_view c) { return c == "." || c == "!" || c == "?" || c == "…"; }

}  // namespace

namespace detail {
std::optional<std::string> shownAppName(const WindowAnchor& window) {
    std::string name = text::trimWhitespace(window.app);
    if (name.empty() || text::graphemeCount(name) >= 25) return std::nullopt;
    return name;
}
}  // namespace detail

std::string stateLine(const WatchRecord& record, int intervalSeconds, const std::optional<std::string>& barkTime,
                      const std::optional<WatchTrouble>& trouble, bool directOnly) {
    switch (record.status) {
        case WatchStatus::lostSight: return "CAN'T SEE IT";
        case WatchStatus::paused: return "PAUSED";
        case WatchStatus::finished: return barked(barkTime);
        case WatchStatus::watching: break;
    }
    if (trouble) return troubleLine(*trouble);

    const WatchSpec& spec = record.spec;
    std::optional<std::string> read;
    if (spec.type == WatchType::numberCompare && record.lastRead) read = "READ " + text::upper(*record.lastRead);

    std::vector<std::string> parts;
    if (directOnly) {
        parts = {"WATCHING", std::string(readingDirectly)};
        if (read) parts.push_back(*read);
        return joined(parts);
    }
    std::string watching = isAnyChangeFallback(spec) ? "WATCHING FOR ANY CHANGE" : "WATCHING";
    if (spec.region.window)
        if (auto name = detail::shownAppName(*spec.region.window)) watching += " IN " + text::upper(*name);
    parts.push_back(watching);
    parts.push_back("EVERY " + std::to_string(intervalSeconds) + " S");
    if (read) parts.push_back(*read);
    if (needsCloud(spec.type)) parts.push_back("JUDGED BY A MODEL");
    if (barkTime) parts.push_back("BARKED " + *barkTime);
    return joined(parts);
}

std::string tag(WatchStatus status, int intervalSeconds, const std::optional<std::string>& barkTime, bool flashing,
                const std::optional<WatchTrouble>& trouble, bool directOnly) {
    if (flashing) return barked(barkTime);
    switch (status) {
        case WatchStatus::lostSight: return "CAN'T SEE IT";
        case WatchStatus::paused: return "PAUSED";
        case WatchStatus::finished: return barked(barkTime);
        case WatchStatus::watching: break;
    }
    if (trouble) return troubleTag(*trouble);
    if (directOnly) return joined({"WATCHING", std::string(readingDirectly)});
    return joined({"WATCHING", "EVERY " + std::to_string(intervalSeconds) + " S"});
}

std::string troubleLine(const WatchTrouble& trouble) {
    switch (trouble.kind) {
        case WatchTrouble::Kind::modelChecksUsedUp:
            if (trouble.backAt) return joined({"MODEL CHECKS USED UP", "BACK AT " + text::upper(*trouble.backAt)});
            return "TODAY'S MODEL CHECKS ARE USED UP";
        case WatchTrouble::Kind::cantReachServer: return "CAN'T REACH THE SERVER";
        case WatchTrouble::Kind::localOnly: return joined({"NOT CHECKING", "LOCAL ONLY IS ON"});
        case WatchTrouble::Kind::serverNotSetUp: return joined({"NOT CHECKING", "NO SERVER SET UP"});
    }
    return {};
}

std::string troubleTag(const WatchTrouble& trouble) {
    switch (trouble.kind) {
        case WatchTrouble::Kind::modelChecksUsedUp:
            if (trouble.backAt) return "MODEL CHECKS BACK AT " + text::upper(*trouble.backAt);
            return "MODEL CHECKS USED UP";
        case WatchTrouble::Kind::cantReachServer: return "CAN'T REACH THE SERVER";
        case WatchTrouble::Kind::localOnly: return "LOCAL ONLY IS ON";
        case WatchTrouble::Kind::serverNotSetUp: return "NO SERVER SET UP";
    }
    return {};
}

std::string notificationTitle(const WatchSpec& spec) {
    if (isAnyChangeFallback(spec)) return "Woof. Something changed here.";
    return "Woof. " + sentenceCase(spec.command);
}

std::string notificationBody(std::string_view time, const std::optional<std::string>& read) {
    std::string body(time);
    if (read) body += std::string(separator) + "Read " + *read;
    return body;
}

std::string lostSightBody(std::string_view time, std::string_view command, std::optional<WindowLoss> loss) {
    std::vector<std::string> parts = {std::string(time), std::string(command)};
    if (loss) {
        switch (*loss) {
            case WindowLoss::closed: parts.push_back("the window was closed"); break;
            case WindowLoss::outside: parts.push_back("the window was resized and the box is no longer inside it"); break;
            case WindowLoss::notOnScreen: parts.push_back("the window is not on screen"); break;
        }
    }
    return joined(parts);
}

std::string chatSentence(const WatchSpec& spec) {
    return isAnyChangeFallback(spec) ? std::string("something changed here") : spec.command;
}

std::string sentenceCase(std::string_view s) {
    std::string trimmed = text::trimWhitespaceAndNewlines(s);
    if (trimmed.empty()) return trimmed;
    std::string out = text::upper(text::graphemePrefix(trimmed, 1)) + text::graphemeDrop(trimmed, 1);

    std::vector<std::string> chars = text::graphemes(out);
    const std::string& last = chars.back();
    bool complete = endsSentence(last);
    if (!complete && (last == "\"" || last == "'") && chars.size() >= 2) complete = endsSentence(chars[chars.size() - 2]);
    if (!complete) out += ".";
    return out;
}

std::string modelChecksUsedUp(const std::optional<std::string>& backAt) {
    std::string out = "Today's model checks are used up.";
    if (backAt) out += " They're back at " + *backAt + ".";
    return out;
}

std::string notVisible(std::string_view target) {
    std::string first = text::graphemePrefix(text::lower(target), 1);
    bool vowel = first == "a" || first == "e" || first == "i" || first == "o" || first == "u";
    return "I can't see " + std::string(vowel ? "an" : "a") + " " + std::string(target) + " in this area.";
}

std::string updateOut(std::string_view version) { return "Kestrove " + std::string(version) + " is out"; }

std::string statusItemName(int active) {
    return active < 1 ? std::string("Kestrove") : "Kestrove, " + std::to_string(active) + " watching";
}

std::string readingLabel(WatchType type) {
    switch (type) {
        case WatchType::anyChange: return "When anything changes";
        case WatchType::textAppears: return "When exact words appear";
        case WatchType::textGone: return "When exact words are gone";
        case WatchType::numberCompare: return "When a number passes a value";
        case WatchType::stateReached: return "When that's true";
        case WatchType::newLine:
        case WatchType::newItem: return "When something new shows up";
    }
    return {};
}

std::optional<std::string> readingExample(WatchType type) {
    switch (type) {
        case WatchType::numberCompare: return "the number drops below 100";
        case WatchType::textGone: return "\"Loading\" is gone";
        case WatchType::textAppears: return "it says \"Done\"";
        default: return std::nullopt;
    }
}

}  // namespace kestrove::Copy
