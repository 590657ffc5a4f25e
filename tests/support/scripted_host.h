#pragma once

#include "startup/run_host.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace veldrin::testing {

// A run host for tests: message-box answers are scripted in advance, and every box, beep,
// information text and caption is recorded in order. A box with no scripted answer fails the test
// through the unexpectedBox flag and gets the safe answer (OK, No, Abort).
class ScriptedHost : public RunHost {
public:
    struct Box {
        MessageBoxRequest request;
        MessageAnswer answer;
    };

    void answerNext(MessageAnswer answer) { m_answers.push_back(answer); }

    const std::vector<Box>& boxes() const { return m_boxes; }
    QStringList boxTexts() const;
    const QStringList& infoTexts() const { return m_infos; }
    const QStringList& captions() const { return m_captions; }
    int beeps() const { return m_beeps; }
    int pendingAnswers() const { return static_cast<int>(m_answers.size()); }
    bool unexpectedBox() const { return m_unexpected; }
    const QStringList& openedFiles() const { return m_opened; }

    // Sets the stop flag when the information line first shows a text starting with prefix.
    void stopWhenInfoStartsWith(const QString& prefix) { m_stopPrefix = prefix; }
    void setStop(bool stop) { m_stop = stop; }
    void setScreen(ScreenSize screen) { m_screen = screen; }
    // Associated programs by file-name suffix (lower case); anything else gets fallbackProgram.
    void setAssociation(const QString& suffix, const QString& program);
    void setFallbackProgram(const QString& program) { m_fallbackProgram = program; }
    // Runs once per processEvents call, for tests that change the world during a run.
    void onProcessEvents(std::function<void()> hook) { m_eventsHook = std::move(hook); }

    void setInfo(const QString& text) override;
    void setCaption(const QString& text) override { m_captions << text; }
    void processEvents() override;
    void beep() override { ++m_beeps; }
    MessageAnswer showMessage(const MessageBoxRequest& box) override;
    bool stopRequested() const override { return m_stop; }
    ScreenSize screenSize() const override { return m_screen; }
    void openFile(const QString& fileName, const QString& folder) override { m_opened << folder + fileName; }
    QString associatedProgram(const QString& fileName, const QString& folder) override;

private:
    std::deque<MessageAnswer> m_answers;
    std::vector<Box> m_boxes;
    QStringList m_infos;
    QStringList m_captions;
    QStringList m_opened;
    QString m_stopPrefix;
    std::vector<std::pair<QString, QString>> m_associations;
    QString m_fallbackProgram = QStringLiteral("browser");
    std::function<void()> m_eventsHook;
    ScreenSize m_screen;
    int m_beeps = 0;
    bool m_stop = false;
    bool m_unexpected = false;
};

} // namespace veldrin::testing
