#include "app/dev/snapshots.hpp"

#include "app/dev/dev_files.hpp"
#include "app/dev/dev_look.hpp"
#include "app/dev/snapshot_chrome.hpp"

namespace kestrove::Snapshots {

int render(const std::filesystem::path& folder, std::ostream& out, std::chrono::milliseconds settle) {
    DevFiles::OutputFolder output(folder);
    if (!output.prepare()) return DevFiles::cannotWrite;
    int written = 0;
    // After a failed write the rest would fail alike: nothing more is drawn.
    auto save = [&](const QImage& picture, const std::string& name) {
        if (output.failure() || picture.isNull() || picture.width() <= 0 || picture.height() <= 0) return;
        if (output.writePicture(name, picture)) ++written;
    };
    for (const bool dark : {false, true}) {
        const std::string appearance = dark ? "dark" : "light";
        DevLook::useAppearance(dark);
        for (const Surface& surface : surfaces(dark, settle))
            if (!output.failure()) save(surface.draw(), surface.name + "-" + appearance + ".png");
        save(SnapshotChrome::statusItem(dark), "status-item-" + appearance + ".png");
    }
    DevLook::useAppearance(false);
    if (output.failure()) return DevFiles::cannotWrite;
    out << "Kestrove: wrote " << written << " snapshots to " << folder.string() << "\n" << std::flush;
    return 0;
}

}  // namespace kestrove::Snapshots
