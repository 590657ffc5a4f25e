#include "window_run_host.h"

#include "htmlgen/desktop.h"
#include "startup/startup.h"
#include "ui/message_box.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>

namespace veldrin::ui {

WindowRunHost::WindowRunHost(QWidget& window, QLabel& info, const bool& stopRequested)
    : opener(openWithAssociatedProgram), m_window(window), m_info(info), m_stopRequested(stopRequested) {}

void WindowRunHost::setInfo(const QString& text) {
    m_info.setText(text);
}

void WindowRunHost::setCaption(const QString& text) {
    m_window.setWindowTitle(text);
}

void WindowRunHost::processEvents() {
    QCoreApplication::processEvents();
}

void WindowRunHost::beep() {
    QApplication::beep();
}

MessageAnswer WindowRunHost::showMessage(const MessageBoxRequest& box) {
    return showMessageBox(&m_window, box);
}

ScreenSize WindowRunHost::screenSize() const {
    ScreenSize size;
    const QScreen* screen = m_window.screen() ? m_window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return size; // no screen at all: the size veldrin-cli assumes
    size.widthPixels = screen->geometry().width();
    size.heightPixels = screen->geometry().height();
    size.dotsPerInchX = screen->logicalDotsPerInchX();
    size.dotsPerInchY = screen->logicalDotsPerInchY();
    return size;
}

void WindowRunHost::openFile(const QString& fileName, const QString& folder) {
    if (opener(folder + fileName))
        return;
    // The old shell call failed silently; a user who asked to see the list deserves to know.
    showMessageBox(&m_window, {QStringLiteral("ファイル（") + folder + fileName +
                                   QStringLiteral("）を開くプログラムが見つかりませんでした。"),
                               AppTitle(), MessageButtons::Ok, MessageIcon::Warning});
}

QString WindowRunHost::associatedProgram(const QString& fileName, const QString& folder) {
    return FindAssociatedProgram(fileName, folder);
}

} // namespace veldrin::ui
