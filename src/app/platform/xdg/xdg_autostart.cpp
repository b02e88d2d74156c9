#include "app/platform/xdg/xdg_autostart.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/foundation/data_files.hpp"

namespace kestrove {

namespace {

// The keys of the [Desktop Entry] group; other groups are skipped.
QMap<QString, QString> entryKeys(const QString& path) {
    QMap<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return keys;
    bool inEntry = false;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inEntry || eq <= 0) continue;
        const QString key = line.left(eq).trimmed();
        if (!keys.contains(key)) keys.insert(key, line.mid(eq + 1).trimmed());
    }
    return keys;
}

// An entry that the session would start: it exists, is not hidden and not
// switched off by the desktop's settings.
bool startsAtLogin(const QString& path) {
    if (!QFileInfo(path).isFile()) return false;
    const auto keys = entryKeys(path);
    return keys.value(QStringLiteral("Hidden")) != QLatin1String("true") &&
           keys.value(QStringLiteral("X-GNOME-Autostart-enabled")) != QLatin1String("false");
}

std::filesystem::path fsPath(const QString& path) { return std::filesystem::path(QFile::encodeName(path).toStdString()); }

Result<Done, std::string> writeEntry(const QString& path, const QByteArray& content) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) return "The folder " + folder.toStdString() + " could not be made.";
    const auto written = writeFileAtomically(fsPath(path), std::string_view(content.constData(), content.size()));
    if (!written) return path.toStdString() + " could not be written (" + written.error() + ").";
    return Done{};
}

}  // namespace

XdgAutostart::XdgAutostart(QString configHome, QStringList configDirs, QString program)
    : configHome_(std::move(configHome)), configDirs_(std::move(configDirs)), program_(std::move(program)) {}

XdgAutostart XdgAutostart::forThisUser() {
    QString home = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(home)) home = QDir::homePath() + QStringLiteral("/.config");
    QStringList dirs;
    for (const QString& d : qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(d)) dirs << d;
    if (dirs.isEmpty()) dirs << QStringLiteral("/etc/xdg");
    return XdgAutostart(home, dirs, QCoreApplication::applicationFilePath());
}

QString XdgAutostart::userFile() const {
    return configHome_ + QStringLiteral("/autostart/") + QLatin1String(fileName);
}

QString XdgAutostart::systemFile() const {
    for (const QString& dir : configDirs_) {
        const QString path = dir + QStringLiteral("/autostart/") + QLatin1String(fileName);
        if (QFileInfo(path).isFile()) return path;
    }
    return {};
}

bool XdgAutostart::enabled() const {
    // The user's own file wins over the system's, whatever it says.
    if (QFileInfo::exists(userFile())) return startsAtLogin(userFile());
    const QString system = systemFile();
    return !system.isEmpty() && startsAtLogin(system);
}

Result<Done, std::string> XdgAutostart::setEnabled(bool on) {
    const QString path = userFile();
    if (on) {
        const QString entry = QStringLiteral(
                                  "[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Kestrove\n"
                                  "Comment=Watches parts of your screen and barks when something happens\n"
                                  "Exec=%1\n"
                                  "Terminal=false\n"
                                  "X-GNOME-Autostart-enabled=true\n")
                                  .arg(execLine(program_));
        return writeEntry(path, entry.toUtf8());
    }
    const QString system = systemFile();
    if (!system.isEmpty() && startsAtLogin(system))
        return writeEntry(path, QByteArrayLiteral("[Desktop Entry]\nType=Application\nName=Kestrove\nHidden=true\n"));
    if (QFileInfo::exists(path) && !QFile::remove(path))
        return path.toStdString() + " could not be removed.";
    // The removal is done; a folder that cannot be synced changes nothing the user can mend.
    (void)syncFolder(fsPath(QFileInfo(path).absolutePath()));
    return Done{};
}

QString XdgAutostart::execLine(const QString& program) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = program.isEmpty();
    for (QChar c : program) quote = quote || reserved.contains(c);
    QString arg;
    if (quote) {
        arg += QLatin1Char('"');
        for (QChar c : program) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                arg += QLatin1Char('\\');
            arg += c;
        }
        arg += QLatin1Char('"');
    } else {
        arg = program;
    }
    arg.replace(QLatin1Char('%'), QStringLiteral("%%"));
    // Then the escapes of every string value in a desktop entry.
    QString out;
    for (QChar c : arg) {
        if (c == QLatin1Char('\\')) out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n')) out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t')) out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r')) out += QStringLiteral("\\r");
        else out += c;
    }
    return out;
}

}  // namespace kestrove
