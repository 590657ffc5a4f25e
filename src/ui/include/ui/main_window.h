#pragma once

#include "startup/run_host.h"
#include "startup/settings_access.h"
#include "startup/startup.h"
#include "thumbs/run_values.h"

#include <QMainWindow>

#include <functional>
#include <memory>

namespace Ui {
class frmMain;
}

namespace veldrin::ui {

class WindowSettings;
class WindowRunHost;

// frmMain, the program's main window. Its controls are the current settings while it is open: it
// loads them from the start-up record, keeps them consistent with its enabling rules, runs the
// generation run over them, and stores them back into the settings file when it closes.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // applicationFolder is the running program's folder, where the JPEG module is looked for and
    // what an empty folder box searches.
    MainWindow(StartupState state, QString applicationFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    SettingsAccess& settings();
    RunHost& host();
    const StartupState& startupState() const { return m_state; }
    bool running() const { return !m_stopRequested; }

    // Replaces how a finished list is opened (tests open nothing).
    void setOpener(std::function<bool(const QString& path)> opener);

    // The run button: one generation run with the window prepared around it.
    void Command_Run_Click();
    // During a run a stop request; otherwise the finished list is opened, after a run if needed.
    void Command_View_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectHandlers();
    void Form_Load();
    // Stores the controls in the settings file; false when that failed and the user keeps the window.
    bool Form_Unload();
    void checkJpegLibrary();
    void folderDropped(const QString& path);

    // The enabling rules, numbered as the window's documentation numbers them.
    void rule1();
    void rule2();
    void rule3();
    void rule4();
    void rule5();
    void rule6();
    void rule7();
    void rule8();
    void reapplyRulesAfterRun();
    bool thumbnailTypeSelected() const;
    void Check_CreateSmallPicture_Click(bool checked);
    void Check_TrueRatio_Click(bool checked);
    void Command_ColWidthCalc_Click();
    void showNotice(const QString& text);

    std::unique_ptr<Ui::frmMain> m_ui;
    StartupState m_state;
    QString m_applicationFolder;
    RunValues m_values;
    std::unique_ptr<WindowSettings> m_settings;
    std::unique_ptr<WindowRunHost> m_host;
    bool m_loading = false;
    bool m_stopRequested = true;
};

} // namespace veldrin::ui
