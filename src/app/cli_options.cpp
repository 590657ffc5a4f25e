#include "cli_options.h"

#include "startup/settings_conversion.h"
#include "startup/settings_file.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace veldrin {

CliParse parseCliArguments(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes an HTML catalogue of the pictures in a folder."));
    parser.addPositionalArgument(QStringLiteral("FOLDER"),
                                 QStringLiteral("the folder to search, as if typed into the folder box"),
                                 QStringLiteral("[FOLDER]"));
    const QCommandLineOption ini(
        QStringLiteral("ini"), QStringLiteral("settings file to read (default: the program's settings file)"),
        QStringLiteral("FILE"));
    const QCommandLineOption set(
        QStringLiteral("set"),
        QStringLiteral("set one of the 34 keys for this run (repeatable, applied after the file)"),
        QStringLiteral("KEY=VALUE"));
    const QCommandLineOption save(
        QStringLiteral("save"),
        QStringLiteral("write the settings back after the run, with the run's corrections"));
    const QCommandLineOption overwrite(
        QStringLiteral("overwrite"),
        QStringLiteral("answer Yes to the list-file overwrite questions (otherwise No)"));
    const QCommandLineOption convertTga(
        QStringLiteral("convert-tga"),
        QStringLiteral("answer Yes to the TGA conversion question (otherwise No)"));
    const QCommandLineOption thumbnails(
        QStringLiteral("thumbnails"),
        QStringLiteral("answer to thumbnail name clashes: overwrite or keep (otherwise keep)"),
        QStringLiteral("overwrite|keep"));
    const QCommandLineOption ignoreErrors(QStringLiteral("ignore-errors"),
                                          QStringLiteral("answer Ignore to error boxes (otherwise Abort)"));
    const QCommandLineOption open(QStringLiteral("open"),
                                  QStringLiteral("open the result with its associated program when done"));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("no progress output"));
    const QCommandLineOption screen(
        QStringLiteral("screen"),
        QStringLiteral("screen size in pixels for the size checks (default 1920x1080 at 96 dpi)"),
        QStringLiteral("WxH"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("show this help"));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("show the version"));
    parser.addOptions({ini, set, save, overwrite, convertTga, thumbnails, ignoreErrors, open, quiet, screen,
                       help, version});

    CliParse result;
    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    if (parser.isSet(help)) {
        result.output =
            parser.helpText() +
            QStringLiteral(
                "\nExit status: 0 the list was written (also after a stop); 1 the run ended before "
                "writing it; 2 a usage error; 3 the list was written but --save failed.\n");
        return result;
    }
    if (parser.isSet(version)) {
        result.output = QStringLiteral("veldrin-cli " VELDRIN_VERSION "\n");
        return result;
    }

    CliOptions o;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        result.error = QStringLiteral("only one FOLDER may be given");
        return result;
    }
    if (!positional.isEmpty())
        o.folder = positional.front();
    if (parser.isSet(ini))
        o.iniPath = parser.value(ini);
    for (const QString& pair : parser.values(set)) {
        const qsizetype eq = pair.indexOf(u'=');
        if (eq <= 0) {
            result.error = QStringLiteral("--set needs KEY=VALUE, not \"%1\"").arg(pair);
            return result;
        }
        o.sets.emplace_back(pair.left(eq), pair.mid(eq + 1));
    }
    o.save = parser.isSet(save);
    o.overwrite = parser.isSet(overwrite);
    o.convertTga = parser.isSet(convertTga);
    if (parser.isSet(thumbnails)) {
        const QString answer = parser.value(thumbnails);
        if (answer == u"overwrite") {
            o.thumbnails = CliOptions::ThumbnailAnswer::Overwrite;
        } else if (answer == u"keep") {
            o.thumbnails = CliOptions::ThumbnailAnswer::Keep;
        } else {
            result.error = QStringLiteral("--thumbnails takes overwrite or keep, not \"%1\"").arg(answer);
            return result;
        }
    }
    o.ignoreErrors = parser.isSet(ignoreErrors);
    o.open = parser.isSet(open);
    o.quiet = parser.isSet(quiet);
    if (parser.isSet(screen)) {
        static const QRegularExpression size(QStringLiteral("^([1-9][0-9]{0,5})x([1-9][0-9]{0,5})$"));
        const QRegularExpressionMatch m = size.match(parser.value(screen));
        if (!m.hasMatch()) {
            result.error = QStringLiteral("--screen takes WIDTHxHEIGHT in pixels, such as 1920x1080");
            return result;
        }
        o.screen.widthPixels = m.captured(1).toInt();
        o.screen.heightPixels = m.captured(2).toInt();
    }
    result.options = o;
    return result;
}

std::optional<Settings> assembleSettings(const CliOptions& options, const QString& iniPath,
                                         const QString& programFolder, QString* error) {
    Settings settings = readSettingsFile(iniPath, programFolder);
    for (const auto& [key, value] : options.sets) {
        const SettingsKey* k = findSettingsKey(key.toUpper());
        if (!k) {
            if (error)
                *error = QStringLiteral("unknown settings key \"%1\"").arg(key);
            return std::nullopt;
        }
        settings.*k->field = value;
    }
    if (options.folder)
        settings.FOLDER = *options.folder;
    return asMainWindowKeepsIt(settings);
}

} // namespace veldrin
