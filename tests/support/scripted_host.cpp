#include "scripted_host.h"

namespace veldrin::testing {

QStringList ScriptedHost::boxTexts() const {
    QStringList texts;
    for (const Box& box : m_boxes)
        texts << box.request.text;
    return texts;
}

void ScriptedHost::setAssociation(const QString& suffix, const QString& program) {
    m_associations.emplace_back(suffix.toLower(), program);
}

void ScriptedHost::setInfo(const QString& text) {
    m_infos << text;
    if (!m_stopPrefix.isEmpty() && text.startsWith(m_stopPrefix)) {
        m_stop = true;
        m_stopPrefix.clear();
    }
}

void ScriptedHost::processEvents() {
    if (m_eventsHook)
        m_eventsHook();
}

MessageAnswer ScriptedHost::showMessage(const MessageBoxRequest& box) {
    MessageAnswer answer;
    if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    } else if (box.buttons == MessageButtons::Ok) {
        answer = MessageAnswer::Ok;
    } else {
        m_unexpected = true;
        answer = box.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Abort;
    }
    if (box.buttons == MessageButtons::Ok)
        answer = MessageAnswer::Ok;
    m_boxes.push_back({box, answer});
    return answer;
}

QString ScriptedHost::associatedProgram(const QString& fileName, const QString& folder) {
    (void)folder;
    const QString lower = fileName.toLower();
    for (const auto& [suffix, program] : m_associations) {
        if (lower.endsWith(suffix))
            return program;
    }
    return m_fallbackProgram;
}

} // namespace veldrin::testing
