#pragma once

#include "startup/settings.h"

#include <QString>
#include <QStringList>

namespace veldrin {

// The program title: window title, message-box caption and settings-file section.
inline QString AppTitle() {
    return QStringLiteral("VELDRIN");
}

inline constexpr const char* kSettingsFileName = "veldrin.ini";

// What start-up establishes before the main window opens.
struct StartupState {
    bool StartedWithCommandLine = false;
    QString ProgramFolder; // ends in "/"; empty when started with a command line
    QString SettingsFilePath;
    Settings settings;
    QString commandLineMessage; // the text of the box shown for a command line, else empty
};

// The folder of the running executable, ending in "/".
QString executableFolder();

// Where the settings file lives: in the program folder when that folder already holds the file or
// is writable; otherwise $XDG_CONFIG_HOME/veldrin/veldrin.ini, so that a read-only installation
// does not lose every change.
QString settingsFilePathFor(const QString& programFolder);

// Appends "/" unless the text already ends with it.
QString withTrailingSlash(const QString& folder);

// The start-up steps that need no window. commandLine is the command line after the program name,
// joined by blanks as the user typed it; any non-empty one only produces the message text and
// stops the settings from being saved.
StartupState runStartup(const QString& commandLine, const QString& programFolder);

// Without TZ the C library reads /etc/localtime again for every file date it converts; naming the
// file once keeps a run over many files fast.
void pinLocalTimeZone();

// Writes the settings file unless the program was started with a command line.
bool SaveSettingsIfAllowed(const StartupState& state);

} // namespace veldrin
