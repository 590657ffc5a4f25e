#pragma once

#include "cli_options.h"
#include "startup/run_host.h"

#include <QString>

#include <atomic>
#include <cstdio>

namespace veldrin {

// The run host of veldrin-cli. Questions are answered by the options; without one, on a terminal
// they are asked there, otherwise the safe answer is taken. Progress is one line on a terminal
// that updates in place; elsewhere only the messages are written. Everything goes to stderr.
class CliHost : public RunHost {
public:
    CliHost(const CliOptions& options, std::FILE* in, std::FILE* out, bool interactive, bool terminal);

    // Set from the SIGINT handler.
    static std::atomic<bool> stopFlag;

    void setInfo(const QString& text) override;
    void setCaption(const QString&) override {}
    void processEvents() override {}
    void beep() override {}
    MessageAnswer showMessage(const MessageBoxRequest& box) override;
    bool stopRequested() const override { return stopFlag.load(); }
    ScreenSize screenSize() const override { return m_options.screen; }
    void openFile(const QString& fileName, const QString& folder) override;
    QString associatedProgram(const QString& fileName, const QString& folder) override;
    void progress(int processed, int total, const QString& path) override;

    // Ends the progress line so that later output starts on a line of its own.
    void finishLine();
    void thumbnailNotWritten(const QString& path, const QString& reason) override;
    // One line for the thumbnails that could not be written, if any.
    void reportThumbnails();

private:
    int m_thumbnailsNotWritten = 0;
    QString m_firstThumbnailProblem;
    std::optional<MessageAnswer> answerFromOptions(const MessageBoxRequest& box) const;
    MessageAnswer prompt(const MessageBoxRequest& box);
    void printLine(const QString& text);
    void showProgress(const QString& text);

    CliOptions m_options;
    std::FILE* m_in;
    std::FILE* m_out;
    bool m_interactive; // questions can be asked: stdin and stderr are a terminal
    bool m_terminal;    // progress can be drawn: stderr is a terminal
    bool m_lineOpen = false;
};

} // namespace veldrin
