#pragma once

#include <QString>

class QObject;
class QWidget;

namespace veldrin::ui {

// The kind of a window's control as the settings and rules name it ("CommandButton", "TextBox",
// "CheckBox", "OptionButton", "ComboBox", "Frame", "Label", "PictureBox", "Menu"), or "" for an
// object that is not one of the window's controls (layout containers, Qt's own helpers).
QString controlTypeName(const QObject* object);

// Sets the enabled state of every control of window whose kind is typeName; "AllControl" selects
// every control, menus included. Containers that only lay controls out are left alone, so that a
// control enabled afterwards is really usable.
void SetAllControlsEnabled(QWidget* window, const QString& typeName, bool enabled);

} // namespace veldrin::ui
