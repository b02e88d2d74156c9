#include "app/platform/proc/direct_access.hpp"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

namespace kestrove::DirectAccess {

namespace fs = std::filesystem;

namespace {

std::optional<std::string> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return s.str();
}

std::optional<std::vector<std::string>> listNames(const fs::path& folder) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) return std::nullopt;
    std::vector<std::string> names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void appendNew(std::vector<std::string>& to, const std::string& name) {
    if (std::find(to.begin(), to.end(), name) == to.end()) to.push_back(name);
}

// The Flatpak id from the sandbox's info file, or from the cgroup's scope
// ("app-flatpak-<id>-<n>.scope"); the snap name from "snap.<name>.…".
std::optional<std::string> sandboxID(const fs::path& proc) {
    if (auto info = readFile(proc / "root" / ".flatpak-info")) {
        std::istringstream lines(*info);
        std::string line;
        bool application = false;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.front() == '[') application = line == "[Application]";
            else if (application && line.rfind("name=", 0) == 0 && line.size() > 5) return line.substr(5);
        }
    }
    const std::string cgroup = readFile(proc / "cgroup").value_or("");
    if (auto at = cgroup.find("app-flatpak-"); at != std::string::npos) {
        const std::size_t start = at + 12;
        const std::size_t end = cgroup.find(".scope", start);
        if (end != std::string::npos) {
            const std::string scope = cgroup.substr(start, end - start);
            if (auto dash = scope.rfind('-'); dash != std::string::npos && dash > 0) return scope.substr(0, dash);
        }
    }
    for (std::size_t at = cgroup.find("snap."); at != std::string::npos; at = cgroup.find("snap.", at + 1)) {
        if (at > 0 && cgroup[at - 1] != '/' && cgroup[at - 1] != '-') continue;
        const std::size_t start = at + 5;
        const std::size_t end = cgroup.find('.', start);
        if (end != std::string::npos && end > start) return cgroup.substr(start, end - start);
    }
    return std::nullopt;
}

std::optional<fs::path> executable(const fs::path& proc) {
    std::error_code ec;
    fs::path exe = fs::read_symlink(proc / "exe", ec);
    if (ec || exe.empty()) return std::nullopt;
    std::string s = exe.string();
    constexpr std::string_view deleted = " (deleted)";
    if (s.ends_with(deleted)) s.resize(s.size() - deleted.size());
    return fs::path(s);
}

// Names in a folder of the process's own file system view (a Flatpak's
// executable lives inside its sandbox), else of ours.
std::optional<std::vector<std::string>> listBeside(const fs::path& proc, const fs::path& folder) {
    if (auto names = listNames(proc / "root" / folder.relative_path())) return names;
    return listNames(folder);
}

std::vector<std::string> mappedFiles(const std::string& maps) {
    std::vector<std::string> names;
    std::istringstream lines(maps);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t slash = line.find('/');
        if (slash == std::string::npos) continue;
        std::string path = line.substr(slash);
        if (path.ends_with(" (deleted)")) path.resize(path.size() - 10);
        appendNew(names, fs::path(path).filename().string());
    }
    return names;
}

std::optional<std::int32_t> parentOf(const fs::path& proc) {
    const std::optional<std::string> stat = readFile(proc / "stat");
    if (!stat) return std::nullopt;
    // "pid (comm) state ppid …": comm may hold spaces and parentheses.
    const std::size_t close = stat->rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream rest(stat->substr(close + 1));
    std::string state;
    std::int32_t ppid = 0;
    if (!(rest >> state >> ppid)) return std::nullopt;
    return ppid;
}

// Chromium rewrites its helpers' command lines in place as one string, the
// arguments joined by spaces: arguments are split at spaces as well as at
// the separators of an untouched command line.
std::vector<std::string> typeArguments(const fs::path& proc) {
    std::vector<std::string> out;
    const std::string cmdline = readFile(proc / "cmdline").value_or("");
    std::size_t start = 0;
    while (start < cmdline.size()) {
        std::size_t end = cmdline.find_first_of(std::string_view("\0 ", 2), start);
        if (end == std::string::npos) end = cmdline.size();
        if (cmdline.compare(start, 7, "--type=") == 0 && end - start > 7)
            out.push_back(cmdline.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

}  // namespace

ProcessFacts facts(std::int32_t pid, const std::string& procRoot) {
    ProcessFacts out;
    if (pid < 1) return out;
    const fs::path root(procRoot);
    const fs::path proc = root / std::to_string(pid);

    const std::optional<fs::path> exe = executable(proc);
    out.appID = sandboxID(proc);
    if (!out.appID && exe) out.appID = exe->filename().string();
    if (!out.appID) {
        if (auto comm = readFile(proc / "comm")) {
            std::string name = *comm;
            while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
            if (!name.empty()) out.appID = name;
        }
    }

    std::optional<std::vector<std::string>> frameworks;
    if (auto maps = readFile(proc / "maps")) frameworks = mappedFiles(*maps);
    if (exe) {
        if (auto beside = listBeside(proc, exe->parent_path())) {
            if (!frameworks) frameworks.emplace();
            for (const std::string& name : *beside) {
                appendNew(*frameworks, name);
                if (name == "chrome-sandbox" || name == "chrome_crashpad_handler") out.helpers.push_back(name);
            }
            if (auto resources = listBeside(proc, exe->parent_path() / "resources"))
                for (const std::string& name : *resources) appendNew(*frameworks, name);
        }
    }
    out.frameworks = std::move(frameworks);

    // Chromium starts its zygote and utilities as children and its renderers
    // as the zygote's children.
    std::multimap<std::int32_t, std::int32_t> children;
    if (auto names = listNames(root)) {
        for (const std::string& name : *names) {
            std::int32_t child = 0;
            const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), child);
            if (ec != std::errc() || end != name.data() + name.size()) continue;
            if (auto parent = parentOf(root / name)) children.emplace(*parent, child);
        }
    }
    std::vector<std::int32_t> level{pid};
    for (int depth = 0; depth < 2; ++depth) {
        std::vector<std::int32_t> next;
        for (std::int32_t p : level) {
            auto [from, to] = children.equal_range(p);
            for (auto it = from; it != to; ++it) {
                if (it->second == pid) continue;
                next.push_back(it->second);
                for (std::string& arg : typeArguments(root / std::to_string(it->second)))
                    out.helpers.push_back(std::move(arg));
            }
        }
        level = std::move(next);
    }
    return out;
}

ChromiumDetection::Verdict chromium(std::int32_t pid, const std::string& procRoot) {
    const ProcessFacts f = facts(pid, procRoot);
    return ChromiumDetection::verdict(f.appID, f.frameworks, f.helpers);
}

}  // namespace kestrove::DirectAccess
