#pragma once

#include "startup/run_host.h"
#include "startup/settings.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace veldrin {

// What the command line of veldrin-cli asks for.
struct CliOptions {
    enum class ThumbnailAnswer { NotGiven, Overwrite, Keep };

    std::optional<QString> folder;
    std::optional<QString> iniPath;
    std::vector<std::pair<QString, QString>> sets;
    bool save = false;
    bool overwrite = false;
    bool convertTga = false;
    ThumbnailAnswer thumbnails = ThumbnailAnswer::NotGiven;
    bool ignoreErrors = false;
    bool open = false;
    bool quiet = false;
    ScreenSize screen;
};

struct CliParse {
    std::optional<CliOptions> options; // set when a run is wanted
    QString output;                    // help or version text to print
    QString error;                     // a usage error
};

// Parses the arguments (the program name first).
CliParse parseCliArguments(const QStringList& arguments);

// The settings of a run: the settings file, then every --set, then the folder argument, converted
// as the main window converts what it loads. Nothing, with error set, for an unknown key.
std::optional<Settings> assembleSettings(const CliOptions& options, const QString& iniPath,
                                         const QString& programFolder, QString* error);

} // namespace veldrin
