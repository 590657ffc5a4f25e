#include "drop_root.h"
#include "fixture_files.h"
#include "startup/settings.h"
#include "startup/settings_file.h"
#include "startup/startup.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace veldrin;
using namespace veldrin::testing;

namespace {

const QByteArray kStoredFile = "[VELDRIN]\r\nOUTFILENAME=fromfile\r\nSUBFS=1\r\n";

// A temporary folder that the unprivileged user can reach.
struct Fixture {
    QTemporaryDir dir;
    Fixture() { setMode(dir.path(), 0777); }
    QString path(const QString& name) const { return dir.path() + u'/' + name; }
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void appTitle();
    void executableFolderEndsWithSlash();
    void withTrailingSlash_data();
    void withTrailingSlash();

    void commandLine_data();
    void commandLine();
    void noCommandLine_data();
    void noCommandLine();
    void rootFolder();

    void settingsFileLocation_data();
    void settingsFileLocation();
    void readOnlyInstallationKeepsSettings();
};

void TestStartup::appTitle() {
    QCOMPARE(AppTitle(), QStringLiteral("VELDRIN"));
    QCOMPARE(QString::fromLatin1(kSettingsFileName), QStringLiteral("veldrin.ini"));
}

void TestStartup::executableFolderEndsWithSlash() {
    const QString folder = executableFolder();
    QCOMPARE(folder, QCoreApplication::applicationDirPath() + u'/');
    QVERIFY(QFileInfo::exists(folder + QCoreApplication::applicationFilePath().section(u'/', -1)));
}

void TestStartup::withTrailingSlash_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const char* folder, const char* expected) {
        QTest::newRow(name) << QString::fromUtf8(folder) << QString::fromUtf8(expected);
    };
    row("without slash", "/opt/veldrin", "/opt/veldrin/");
    row("with slash", "/opt/veldrin/", "/opt/veldrin/");
    row("root", "/", "/");
}

void TestStartup::withTrailingSlash() {
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    QCOMPARE(veldrin::withTrailingSlash(folder), expected);
}

void TestStartup::commandLine_data() {
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<bool>("fileExists");
    QTest::newRow("one letter, file present") << "x" << true;
    QTest::newRow("one letter, no file") << "x" << false;
    QTest::newRow("several words kept unparsed") << "-a \"b c\"  d" << true;
    QTest::newRow("blanks only") << "  " << true;
}

void TestStartup::commandLine() {
    QFETCH(QString, commandLine);
    QFETCH(bool, fileExists);
    Fixture fx;
    const QString folder = fx.dir.path() + u'/';
    const QString file = fx.path(QStringLiteral("veldrin.ini"));
    if (fileExists)
        QVERIFY(writeBytes(file, kStoredFile));

    StartupState state = runStartup(commandLine, folder);
    QVERIFY(state.StartedWithCommandLine);
    QCOMPARE(state.commandLineMessage, "path=" + folder + "\r\ncommand=" + commandLine);
    QCOMPARE(state.ProgramFolder, QString());
    QCOMPARE(state.SettingsFilePath, file);
    // The settings are still read, with the program folder as FOLDER's default.
    QCOMPARE(state.settings.OUTFILENAME, fileExists ? QStringLiteral("fromfile") : QStringLiteral("list"));
    QCOMPARE(state.settings.FOLDER, folder);

    state.settings.OUTFILENAME = QStringLiteral("changed");
    QVERIFY(!SaveSettingsIfAllowed(state));
    if (fileExists)
        QCOMPARE(*readBytes(file), kStoredFile);
    else
        QVERIFY(!QFileInfo::exists(file));
}

void TestStartup::noCommandLine_data() {
    QTest::addColumn<bool>("slashGiven");
    QTest::newRow("folder given with its slash") << true;
    QTest::newRow("folder given without a slash") << false;
}

void TestStartup::noCommandLine() {
    QFETCH(bool, slashGiven);
    Fixture fx;
    const QString folder = fx.dir.path() + u'/';
    const QString file = fx.path(QStringLiteral("veldrin.ini"));
    QVERIFY(writeBytes(file, kStoredFile));

    StartupState state = runStartup(QString(), slashGiven ? folder : fx.dir.path());
    QVERIFY(!state.StartedWithCommandLine);
    QCOMPARE(state.commandLineMessage, QString());
    QCOMPARE(state.ProgramFolder, folder);
    QCOMPARE(state.SettingsFilePath, file);
    QCOMPARE(state.settings.OUTFILENAME, QStringLiteral("fromfile"));
    QCOMPARE(state.settings.SUBFS, QStringLiteral("1"));
    QCOMPARE(state.settings.FOLDER, folder);

    state.settings.OUTFILENAME = QStringLiteral("changed");
    QVERIFY(SaveSettingsIfAllowed(state));
    QCOMPARE(readSettingsFile(file, folder), state.settings);
}

void TestStartup::rootFolder() {
    Fixture fx;
    const ScopedEnv xdg("XDG_CONFIG_HOME", QFile::encodeName(fx.dir.path()));
    const StartupState plain = runStartup(QString(), QStringLiteral("/"));
    QCOMPARE(plain.ProgramFolder, QStringLiteral("/"));
    QCOMPARE(plain.settings.FOLDER, QStringLiteral("/"));

    const StartupState withCommand = runStartup(QStringLiteral("x"), QStringLiteral("/"));
    QCOMPARE(withCommand.commandLineMessage, QStringLiteral("path=/\r\ncommand=x"));
    QCOMPARE(withCommand.ProgramFolder, QString());
}

void TestStartup::settingsFileLocation_data() {
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("holdsFile");
    QTest::addColumn<QString>("config");   // "absolute", "relative" or "unset" XDG_CONFIG_HOME
    QTest::addColumn<QString>("expected"); // "program", "config" or "home"
    const auto row = [](const char* name, bool readOnly, bool holdsFile, const char* config,
                        const char* expected) {
        QTest::newRow(name) << readOnly << holdsFile << QString::fromUtf8(config)
                            << QString::fromUtf8(expected);
    };

    row("writable folder", false, false, "absolute", "program");
    row("writable folder holding the file", false, true, "absolute", "program");
    row("read-only folder holding the file", true, true, "absolute", "program");
    row("read-only folder without the file", true, false, "absolute", "config");
    row("read-only folder, no config variable", true, false, "unset", "home");
    row("read-only folder, relative config variable", true, false, "relative", "home");
}

void TestStartup::settingsFileLocation() {
    QFETCH(bool, readOnly);
    QFETCH(bool, holdsFile);
    QFETCH(QString, config);
    QFETCH(QString, expected);

    Fixture fx;
    const QString program = fx.path(QStringLiteral("program"));
    const QString configHome = fx.path(QStringLiteral("config"));
    const QString home = fx.path(QStringLiteral("home"));
    for (const QString& folder : {program, configHome, home}) {
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(setMode(folder, 0777));
    }
    if (holdsFile)
        QVERIFY(writeBytes(program + QStringLiteral("/veldrin.ini"), kStoredFile));
    if (readOnly)
        QVERIFY(setMode(program, 0555));
    const ModeRestorer writableAgain(program, 0777);

    std::optional<QByteArray> configValue;
    if (config == u"absolute")
        configValue = QFile::encodeName(configHome);
    else if (config == u"relative")
        configValue = QByteArray("relative/config");
    const ScopedEnv xdg("XDG_CONFIG_HOME", configValue);
    const ScopedEnv homeVariable("HOME", QFile::encodeName(home));

    QString located;
    {
        DropRoot asUser;
        located = settingsFilePathFor(program + u'/');
    }

    if (expected == u"program") {
        QCOMPARE(located, program + QStringLiteral("/veldrin.ini"));
    } else {
        const QString base = expected == u"config" ? configHome : home + QStringLiteral("/.config");
        QCOMPARE(located, base + QStringLiteral("/veldrin/veldrin.ini"));
        // The folder is made ready, so that a later save can create the file.
        QVERIFY(QFileInfo(base + QStringLiteral("/veldrin")).isDir());
    }
}

void TestStartup::readOnlyInstallationKeepsSettings() {
    Fixture fx;
    const QString program = fx.path(QStringLiteral("program"));
    const QString configHome = fx.path(QStringLiteral("config"));
    QVERIFY(QDir().mkdir(program));
    QVERIFY(QDir().mkdir(configHome));
    QVERIFY(setMode(configHome, 0777));
    QVERIFY(setMode(program, 0555));
    const ModeRestorer writableAgain(program, 0777);
    const ScopedEnv xdg("XDG_CONFIG_HOME", QFile::encodeName(configHome));
    const QString configFile = configHome + QStringLiteral("/veldrin/veldrin.ini");

    bool saved = false;
    StartupState again;
    {
        DropRoot asUser;
        StartupState first = runStartup(QString(), program);
        first.settings.OUTFILENAME = QStringLiteral("kept");
        saved = SaveSettingsIfAllowed(first);
        again = runStartup(QString(), program);
    }
    QVERIFY(saved);
    QCOMPARE(again.SettingsFilePath, configFile);
    QCOMPARE(again.ProgramFolder, program + u'/');
    QCOMPARE(again.settings.OUTFILENAME, QStringLiteral("kept"));
    QCOMPARE(entriesOf(program), QStringList());
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
