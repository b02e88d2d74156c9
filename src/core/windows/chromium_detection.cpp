#include "core/windows/chromium_detection.hpp"

#include <algorithm>

namespace kestrove::ChromiumDetection {

namespace {

bool contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

bool matchesEntry(std::string_view id, std::string_view entry) {
    if (id == entry) return true;
    const std::string prefix = entry.ends_with('.') ? std::string(entry) : std::string(entry) + ".";
    return id.starts_with(prefix);
}

// Chromium's own resource files, shipped beside every Chromium-based
// executable (browsers and Electron apps alike).
constexpr std::array<std::string_view, 3> chromiumResources{"resources.pak", "icudtl.dat", "v8_context_snapshot.bin"};

bool isQtWebEngine(std::string_view name) {
    // libQt5WebEngineCore.so.5, libQt6WebEngineCore.so.6, …
    if (!name.starts_with("libQt")) return false;
    name.remove_prefix(5);
    while (!name.empty() && name.front() >= '0' && name.front() <= '9') name.remove_prefix(1);
    return name.starts_with("WebEngineCore.so");
}

bool isHelperApp(std::string_view h) {
    return contains(h, "--type=") || contains(h, "chrome-sandbox") || contains(h, "chrome_crashpad_handler");
}

}  // namespace

const std::vector<std::string_view>& knownApps() {
    static const std::vector<std::string_view> apps{
        // Flatpak
        "com.google.Chrome", "org.chromium.Chromium", "com.microsoft.Edge", "com.brave.Browser", "com.opera.",
        "com.vivaldi.Vivaldi", "ru.yandex.Browser", "io.github.ungoogled_software.ungoogled_chromium",
        "com.visualstudio.code", "com.slack.Slack", "com.discordapp.", "com.spotify.Client", "md.obsidian.Obsidian",
        "com.github.IsmaelMartinez.teams_for_linux", "org.electronjs.",
        // snaps, desktop files and executables
        "chrome", "google-chrome", "chromium", "chromium-browser", "msedge", "microsoft-edge", "brave",
        "brave-browser", "vivaldi", "vivaldi-bin", "vivaldi-stable", "opera", "yandex-browser", "code", "slack",
        "Discord", "discord", "spotify", "obsidian", "teams-for-linux", "electron",
    };
    return apps;
}

Verdict verdict(const std::optional<std::string>& appID, const std::optional<std::vector<std::string>>& frameworks,
                const std::vector<std::string>& helpers) {
    if (appID) {
        for (std::string_view entry : knownApps())
            if (matchesEntry(*appID, entry))
                return {true, Confidence::sure, "a known Chromium app (" + std::string(entry) + ")"};
    }
    if (!frameworks) return {false, Confidence::unknown, "the app's bundle could not be looked into"};
    const std::vector<std::string>& names = *frameworks;
    auto has = [&](std::string_view n) { return std::find(names.begin(), names.end(), n) != names.end(); };

    // Electron's packed app lies in the resources folder beside the executable.
    if (has("app.asar")) return {true, Confidence::sure, "Electron Framework in the bundle"};
    if (has("libcef.so")) return {true, Confidence::sure, "Chromium Embedded Framework in the bundle"};
    if (std::any_of(names.begin(), names.end(), [](const std::string& n) { return isQtWebEngine(n); }))
        return {true, Confidence::sure, "Qt WebEngine (Chromium) in the bundle"};

    auto named = std::find_if(names.begin(), names.end(), [](const std::string& n) {
        return std::find(chromiumResources.begin(), chromiumResources.end(), n) != chromiumResources.end();
    });
    const bool renderer =
        std::any_of(helpers.begin(), helpers.end(), [](const std::string& h) { return contains(h, "--type=renderer"); });
    const bool helperApp = std::any_of(helpers.begin(), helpers.end(), [](const std::string& h) { return isHelperApp(h); });

    if (named != names.end() && renderer) return {true, Confidence::sure, *named + " beside a renderer helper"};
    if (named != names.end() && helperApp) return {true, Confidence::likely, *named + " beside a helper app"};
    if (renderer) return {true, Confidence::likely, "a renderer helper app in the bundle"};
    return {false, Confidence::sure, "no Chromium framework or helper in the bundle"};
}

}  // namespace kestrove::ChromiumDetection
