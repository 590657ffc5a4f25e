#pragma once

#include "startup/run_host.h"

#include <functional>

class QLabel;
class QWidget;

namespace veldrin::ui {

// A run's host inside the main window: the information line, the window caption, the event loop,
// message boxes over the window, its stop flag and the screen it stands on.
class WindowRunHost final : public RunHost {
public:
    WindowRunHost(QWidget& window, QLabel& info, const bool& stopRequested);

    void setInfo(const QString& text) override;
    void setCaption(const QString& text) override;
    void processEvents() override;
    void beep() override;
    MessageAnswer showMessage(const MessageBoxRequest& box) override;
    bool stopRequested() const override { return m_stopRequested; }
    ScreenSize screenSize() const override;
    void openFile(const QString& fileName, const QString& folder) override;
    QString associatedProgram(const QString& fileName, const QString& folder) override;

    // How a file is opened with its associated program; false when it could not be.
    std::function<bool(const QString& path)> opener;

private:
    QWidget& m_window;
    QLabel& m_info;
    const bool& m_stopRequested;
};

} // namespace veldrin::ui
