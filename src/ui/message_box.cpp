#include "ui/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <utility>

namespace veldrin::ui {
namespace {

MessageBoxScript* s_script = nullptr;

struct ButtonDef {
    MessageAnswer answer;
    const char16_t* caption;
    QMessageBox::ButtonRole role;
};

std::vector<ButtonDef> buttonsOf(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
        return {{MessageAnswer::Ok, u"OK", QMessageBox::AcceptRole}};
    case MessageButtons::YesNo:
        return {{MessageAnswer::Yes, u"はい(&Y)", QMessageBox::YesRole},
                {MessageAnswer::No, u"いいえ(&N)", QMessageBox::NoRole}};
    case MessageButtons::AbortRetryIgnore:
        return {{MessageAnswer::Abort, u"中止(&A)", QMessageBox::RejectRole},
                {MessageAnswer::Retry, u"再試行(&R)", QMessageBox::AcceptRole},
                {MessageAnswer::Ignore, u"無視(&I)", QMessageBox::DestructiveRole}};
    }
    return {};
}

QMessageBox::Icon iconOf(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

MessageAnswer safeAnswer(MessageButtons buttons) {
    return buttons == MessageButtons::YesNo              ? MessageAnswer::No
           : buttons == MessageButtons::AbortRetryIgnore ? MessageAnswer::Abort
                                                         : MessageAnswer::Ok;
}

} // namespace

MessageBoxScript::MessageBoxScript() {
    s_script = this;
}

MessageBoxScript::~MessageBoxScript() {
    if (s_script == this)
        s_script = nullptr;
}

MessageAnswer MessageBoxScript::take(const MessageBoxRequest& box) {
    MessageAnswer answer = safeAnswer(box.buttons);
    if (m_next < static_cast<int>(m_answers.size()))
        answer = m_answers[static_cast<size_t>(m_next++)];
    else
        m_unexpected = true;
    m_boxes.push_back({box, answer});
    return answer;
}

MessageAnswer showMessageBox(QWidget* parent, const MessageBoxRequest& box) {
    if (s_script)
        return s_script->take(box);

    QString text = box.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox dialog(iconOf(box.icon), box.caption, text, QMessageBox::NoButton, parent);
    dialog.setTextFormat(Qt::PlainText);
    std::vector<std::pair<QPushButton*, MessageAnswer>> buttons;
    for (const ButtonDef& def : buttonsOf(box.buttons))
        buttons.emplace_back(dialog.addButton(QString::fromUtf16(def.caption), def.role), def.answer);
    dialog.setDefaultButton(buttons.front().first);
    // Escape answers as the old platform did: OK, or No; an error box must be answered by a button.
    if (box.buttons != MessageButtons::AbortRetryIgnore)
        dialog.setEscapeButton(buttons.back().first);

    // A run shows the wait cursor; the box itself wants the ordinary one.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    dialog.exec();
    if (busy)
        QApplication::restoreOverrideCursor();

    for (const auto& [button, answer] : buttons) {
        if (dialog.clickedButton() == button)
            return answer;
    }
    return safeAnswer(box.buttons); // closed without a button
}

} // namespace veldrin::ui
