#include "ui/desktop_start.h"

#include "ui/message_box.h"

namespace veldrin::ui {

std::unique_ptr<MainWindow> startDesktop(const QStringList& arguments, const QString& programFolder) {
    // Anything on the command line only shows itself and keeps the settings file as it is.
    StartupState state = runStartup(arguments.mid(1).join(u' '), programFolder);
    if (!state.commandLineMessage.isEmpty())
        showMessageBox(nullptr,
                       {state.commandLineMessage, AppTitle(), MessageButtons::Ok, MessageIcon::None});
    auto window = std::make_unique<MainWindow>(std::move(state), programFolder);
    window->show();
    return window;
}

} // namespace veldrin::ui
