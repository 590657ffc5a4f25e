#include "cli_host.h"
#include "cli_options.h"
#include "htmlgen/generation_run.h"
#include "startup/native_name.h"
#include "startup/settings_conversion.h"
#include "startup/settings_file.h"
#include "startup/startup.h"
#include "thumbs/thumbnail.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using namespace veldrin;

namespace {

// The first Ctrl-C asks the run to stop, which still ends with valid pages; the handler then
// resets itself, so a second Ctrl-C ends the program at once.
void onInterrupt(int) {
    CliHost::stopFlag.store(true);
    static const char note[] = "\nStopping after the current file (Ctrl-C again quits at once)\n";
    (void)!::write(STDERR_FILENO, note, sizeof note - 1);
}

// Whatever Qt's own layers have to say (an image plug-in's warning, say) goes out as ours, marked
// with the program's name, and only when it is more than chatter.
void onQtMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    std::fprintf(stderr, "veldrin-cli: %s\n", text.toUtf8().constData());
    if (type == QtFatalMsg)
        std::abort();
}

int usageError(const QString& message) {
    std::fprintf(stderr, "veldrin-cli: %s\nTry 'veldrin-cli --help'.\n", message.toUtf8().constData());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(onQtMessage);
    QCoreApplication app(argc, argv);
    // Arguments as the file system's names: a folder whose name is not UTF-8 can still be given.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(fromNativeName(argv[i]));
    const CliParse parse = parseCliArguments(arguments);
    if (!parse.error.isEmpty())
        return usageError(parse.error);
    if (!parse.options) {
        std::fputs(parse.output.toUtf8().constData(), stdout);
        return 0;
    }
    const CliOptions& options = *parse.options;

    const QString programFolder = executableFolder();
    QString iniPath = settingsFilePathFor(programFolder);
    if (options.iniPath) {
        iniPath = QFileInfo(*options.iniPath).absoluteFilePath();
        // Any readable file serves, a device or a pipe (a process substitution) too, but not a folder.
        const QFileInfo named(iniPath);
        if (!named.exists())
            return usageError(QStringLiteral("settings file not found: ") + *options.iniPath);
        if (named.isDir())
            return usageError(QStringLiteral("the settings file is a folder: ") + *options.iniPath);
        // Saving replaces the file by a renamed new one, which must never happen to a device or a pipe.
        if (options.save && !named.isFile())
            return usageError(QStringLiteral("--save needs a regular settings file: ") + *options.iniPath);
        // Running with defaults instead of the file the user named would give other pages unasked. Asked
        // without opening: a named pipe gives its contents to one open only.
        if (::access(toNativeName(iniPath).constData(), R_OK) != 0)
            return usageError(QStringLiteral("cannot read the settings file ") + *options.iniPath +
                              QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
    }
    pinLocalTimeZone();

    QString error;
    std::optional<Settings> settings = assembleSettings(options, iniPath, programFolder, &error);
    if (!settings)
        return usageError(error);

    const bool terminal = ::isatty(STDERR_FILENO);
    CliHost host(options, stdin, stderr, terminal && ::isatty(STDIN_FILENO), terminal);
    RecordSettingsAccess access(*settings);
    RunValues values;
    values.WindowLoading = true;
    CheckJpegLibrary(access, host, values, programFolder, systemLibraryFolder());
    values.WindowLoading = false;

    struct sigaction action {};
    action.sa_handler = onInterrupt;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);

    const QString folder = NormalizeFolderPath(settings->FOLDER, programFolder);
    struct stat folderInfo {};
    if (::stat(toNativeName(folder).constData(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode))
        std::fprintf(stderr, "veldrin-cli: the folder %s does not exist\n",
                     displayName(folder).toUtf8().constData());

    RunEnv env{access, host, values, programFolder, programFolder};
    const RunResult result = GenerateListPages(env);
    host.finishLine();
    host.reportThumbnails();

    QString saveError;
    const bool saveFailed =
        options.save && !SaveSettingsFile(asMainWindowKeepsIt(*settings), iniPath, false, &saveError);
    if (saveFailed) {
        std::fprintf(stderr, "veldrin-cli: could not save the settings to %s: %s\n",
                     displayName(iniPath).toUtf8().constData(), saveError.toUtf8().constData());
    }
    const bool written = result.end == RunResult::End::Written && result.listFileCreated;
    if (written && !options.quiet) {
        std::fprintf(stderr, "%d/%d files listed in %s\n", result.written, result.found,
                     displayName(result.listFilePath).toUtf8().constData());
    }
    if (!written)
        return 1;
    return saveFailed ? 3 : 0;
}
