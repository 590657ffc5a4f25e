#include "startup/startup.h"

#include "startup/native_name.h"
#include "startup/settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

namespace veldrin {

QString withTrailingSlash(const QString& folder) {
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

QString executableFolder() {
    QString folder;
    if (QCoreApplication::instance())
        folder = QCoreApplication::applicationDirPath();
    if (folder.isEmpty())
        folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
    return withTrailingSlash(folder);
}

QString settingsFilePathFor(const QString& programFolder) {
    const QString inProgramFolder = withTrailingSlash(programFolder) + QLatin1String(kSettingsFileName);
    if (QFileInfo::exists(inProgramFolder))
        return inProgramFolder;
    // The effective user is the one that will write; access() would ask about the real one.
    const QByteArray native = toNativeName(programFolder);
    if (::faccessat(AT_FDCWD, native.constData(), W_OK, AT_EACCESS) == 0)
        return inProgramFolder;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    const QString folder = config + QStringLiteral("/veldrin");
    // Failing here is harmless: reading finds no file, and saving then fails silently.
    QDir().mkpath(folder);
    return folder + u'/' + QLatin1String(kSettingsFileName);
}

StartupState runStartup(const QString& commandLine, const QString& programFolder) {
    StartupState state;
    const QString folder = withTrailingSlash(programFolder);
    if (!commandLine.isEmpty()) {
        state.StartedWithCommandLine = true;
        state.commandLineMessage =
            QStringLiteral("path=") + folder + QStringLiteral("\r\ncommand=") + commandLine;
    }
    state.SettingsFilePath = settingsFilePathFor(folder);
    state.settings = readSettingsFile(state.SettingsFilePath, folder);
    if (!state.StartedWithCommandLine)
        state.ProgramFolder = folder;
    return state;
}

void pinLocalTimeZone() {
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
}

bool SaveSettingsIfAllowed(const StartupState& state) {
    if (state.StartedWithCommandLine)
        return false;
    return SaveSettingsFile(state.settings, state.SettingsFilePath, state.StartedWithCommandLine);
}

} // namespace veldrin
