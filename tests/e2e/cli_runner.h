#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace veldrin::e2e {

// What one veldrin-cli process did.
struct CliResult {
    int exitCode = -1;
    bool crashed = false; // ended by a signal or never started
    QByteArray out;
    QByteArray err;

    QString errText() const { return QString::fromUtf8(err); }
    // For QVERIFY2: the exit and everything the program said.
    QByteArray describe() const;
};

struct CliCall {
    QStringList args;
    QString workDir;                    // empty: the test's own
    std::function<void()> childSetup;   // runs in the child between fork and exec
    int timeoutMs = 180000;
};

// The program under test, as built.
QString cliPath();

// Runs veldrin-cli to its end with standard input at end of file.
CliResult runCli(const CliCall& call);
inline CliResult runCli(const QStringList& args) { return runCli(CliCall{args, {}, {}, 180000}); }

// Copies a folder and everything in it.
bool copyTree(const QString& from, const QString& to);

// A fresh copy of the bundled samples below root; returns its path ending in "/".
QString copySamples(const QString& root);

// Writes bytes to a file, creating its folder; false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

// A settings file that holds only the program's section, so that every key takes its default.
QString writeEmptyIni(const QString& folder);

// The lines of a generated page or settings file: Shift_JIS decoded, split at CR LF.
QStringList sjisLines(const QString& path);
QString fromSjis(const QByteArray& bytes);
QByteArray toSjis(const QString& text);

// Tiny but complete pictures, so that every header reader and decoder has something real to read.
QByteArray tinyPng(int width, int height);
QByteArray tinyJpeg(int width, int height);
QByteArray tinyBmp(int width, int height);
QByteArray tinyGif(int width, int height);

// The "N/M files listed in PATH" line of a run that wrote its list: N and M, or -1, -1.
std::pair<int, int> listedCounts(const QString& stderrText);

} // namespace veldrin::e2e
