#pragma once

#include <QString>

class QWidget;

namespace veldrin::ui {

// The folder dialog "フォルダ選択", modal over caller. It serves the target "Text_Folder" (names
// compared without regard to case): OK writes the chosen folder into caller's control of that name.
void showFolderSelect(QWidget* caller, const QString& target);

// The colour dialog "色の設定", modal over caller, editing the colour swatch of caller named target
// (without regard to case); an unknown target changes nothing.
void showColorSelect(QWidget* caller, const QString& target);

// The help menu: the version box, and the project's home page.
void showVersionBox(QWidget* parent);
void openHomePage(QWidget* parent);

} // namespace veldrin::ui
