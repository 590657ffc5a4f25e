#include "ui/dialogs.h"

// The dialogs arrive with the folder, colour and version windows; until then the buttons that open
// them do nothing.

namespace veldrin::ui {

void showFolderSelect(QWidget*, const QString&) {}
void showColorSelect(QWidget*, const QString&) {}
void showVersionBox(QWidget*) {}
void openHomePage(QWidget*) {}

} // namespace veldrin::ui
