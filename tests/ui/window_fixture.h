#pragma once

#include "ui/main_window.h"
#include "ui/message_box.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

namespace veldrin::testing {

// One main window over a settings file of the test's own, in a program folder of its own. Boxes are
// scripted and a finished list is only recorded, never opened.
struct WindowFixture {
    QTemporaryDir dir;
    ui::MessageBoxScript boxes;
    std::unique_ptr<ui::MainWindow> window;
    QStringList opened;

    // The program folder, ending in "/": it holds the settings file.
    QString programFolder() const { return dir.path() + u'/'; }
    QString iniPath() const { return programFolder() + QStringLiteral("veldrin.ini"); }

    // Writes ini (unless it is null) and opens the window as the program starts; commandLine as
    // the user typed it after the program name.
    void open(const QByteArray& ini, const QString& commandLine = {});
    // Closes the window as the user does; true when it closed.
    bool close();

    QWidget* control(const char* name) const;
    template <class T> T* control(const char* name) const { return qobject_cast<T*>(control(name)); }
};

// Drags url over receiver and drops it there, as a file manager does.
void dropOn(QWidget* receiver, const QUrl& url);

// The folder the built programs and the JPEG module live in, ending in "/".
QString binFolder();

} // namespace veldrin::testing
