#pragma once

#include "ui/main_window.h"

#include <QStringList>

#include <memory>

namespace veldrin::ui {

// The start-up of the desktop program: the title, the box that a command line brings up, the
// settings file, and the main window, shown and not modal. arguments are the program's arguments
// after Qt has taken its own, the program's name first.
std::unique_ptr<MainWindow> startDesktop(const QStringList& arguments, const QString& programFolder);

} // namespace veldrin::ui
