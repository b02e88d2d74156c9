#include "app/dev/snapshots.hpp"

#include "app/dev/dev_files.hpp"
#include "app/dev/dev_look.hpp"
#include "app/dev/snapshot_chrome.hpp"

namespace kestrove::Snapshots {

int render(const std::filesystem::path& folder, std::ostream& out, std::chrono::milliseconds settle) {
    DevFiles::makeFolder(folder);
    int written = 0;
    auto save = [&](const QImage& picture, const std::string& name) {
        if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0) return;
        if (picture.save(QString::fromStdString((folder / name).string()), "PNG")) ++written;
    };
    for (const bool dark : {false, true}) {
        const std::string appearance = dark ? "dark" : "light";
        DevLook::useAppearance(dark);
        for (const Surface& surface : surfaces(dark, settle))
            save(surface.draw(), surface.name + "-" + appearance + ".png");
        save(SnapshotChrome::statusItem(dark), "status-item-" + appearance + ".png");
    }
    DevLook::useAppearance(false);
    out << "Kestrove: wrote " << written << " snapshots to " << folder.string() << "\n" << std::flush;
    return 0;
}

}  // namespace kestrove::Snapshots
