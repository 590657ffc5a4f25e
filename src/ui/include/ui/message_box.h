#pragma once

#include "startup/run_host.h"

#include <vector>

class QWidget;

namespace veldrin::ui {

// Shows a message box over parent and returns the button pressed. The buttons carry the Japanese
// captions of the old platform, the first one is the default, and the text is shown as plain text
// (paths may hold "<").
MessageAnswer showMessageBox(QWidget* parent, const MessageBoxRequest& box);

// Tests script the boxes: while a MessageBoxScript exists, showMessageBox shows nothing, records
// every box and takes the next queued answer. A box with no queued answer gets the safe one (OK,
// No, Abort) and marks the script as having met an unexpected box.
class MessageBoxScript {
public:
    struct Shown {
        MessageBoxRequest request;
        MessageAnswer answer;
    };

    MessageBoxScript();
    ~MessageBoxScript();
    MessageBoxScript(const MessageBoxScript&) = delete;
    MessageBoxScript& operator=(const MessageBoxScript&) = delete;

    void answerNext(MessageAnswer answer) { m_answers.push_back(answer); }
    const std::vector<Shown>& boxes() const { return m_boxes; }
    int pendingAnswers() const { return static_cast<int>(m_answers.size()) - m_next; }
    bool unexpectedBox() const { return m_unexpected; }

private:
    friend MessageAnswer showMessageBox(QWidget*, const MessageBoxRequest&);
    MessageAnswer take(const MessageBoxRequest& box);

    std::vector<MessageAnswer> m_answers;
    std::vector<Shown> m_boxes;
    int m_next = 0;
    bool m_unexpected = false;
};

} // namespace veldrin::ui
