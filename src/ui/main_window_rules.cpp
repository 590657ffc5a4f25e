// The main window's enabling rules and the notices that go with them.

#include "startup/errors.h"
#include "startup/vb_runtime.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui_main_window.h"
#include "window_run_host.h"

#include <QApplication>

namespace veldrin::ui {
namespace {

// A control's own enabled state, whatever the frames around it say.
bool ownEnabled(const QWidget* w) {
    return w->isEnabledTo(w->parentWidget());
}

} // namespace

bool MainWindow::thumbnailTypeSelected() const {
    return m_ui->Option_OutType2->isChecked();
}

void MainWindow::rule1() {
    m_ui->Text_FileCount->setEnabled(m_ui->Check_FileLimit->isChecked());
}

void MainWindow::rule2() {
    m_ui->Frame_SmallPicture->setEnabled(m_ui->Check_CreateSmallPicture->isChecked());
}

void MainWindow::rule3() {
    m_ui->Check_OutputFilePath->setEnabled(!m_ui->Check_OutputFolder->isChecked());
}

void MainWindow::rule4() {
    const bool on = m_ui->Check_UseFrame->isChecked() && ownEnabled(m_ui->Check_UseFrame);
    for (QWidget* w :
         {static_cast<QWidget*>(m_ui->Frame_UseFrame), static_cast<QWidget*>(m_ui->Option_UseFrameTB),
          static_cast<QWidget*>(m_ui->Option_UseFrameLR), static_cast<QWidget*>(m_ui->Command_ColWidthCalc),
          static_cast<QWidget*>(m_ui->Text_ColWidth)})
        w->setEnabled(on);
}

void MainWindow::rule5() {
    m_ui->Check_SmallPictureMagnify->setEnabled(m_ui->Check_TrueRatio->isChecked() &&
                                                thumbnailTypeSelected());
    rule6();
}

void MainWindow::rule6() {
    m_ui->Frame_VeiwItem->setEnabled(m_ui->Check_UseTable->isChecked() && thumbnailTypeSelected());
}

void MainWindow::rule7() {
    const bool thumbnails = thumbnailTypeSelected();
    for (QWidget* w :
         {static_cast<QWidget*>(m_ui->Text_SumSizeW), static_cast<QWidget*>(m_ui->Text_SumSizeH),
          static_cast<QWidget*>(m_ui->Check_TrueRatio), static_cast<QWidget*>(m_ui->Check_UseTable),
          static_cast<QWidget*>(m_ui->Frame_EasyCorrectSize)})
        w->setEnabled(thumbnails);
    m_ui->Check_UseFrame->setEnabled(!m_ui->Option_OutType1->isChecked());
    rule4();
    rule5();
}

void MainWindow::rule8() {
    const bool titles = m_ui->Text_ObjectType->text().toLower().contains(QLatin1String("htm"));
    if (ownEnabled(m_ui->Check_GetHTMLTitle) != titles)
        m_ui->Check_GetHTMLTitle->setEnabled(titles);
}

void MainWindow::reapplyRulesAfterRun() {
    checkJpegLibrary();
    rule7();
    rule1();
    rule3();
    rule2();
    for (QWidget* w : {static_cast<QWidget*>(m_ui->Combo_Size), static_cast<QWidget*>(m_ui->Combo_SortItem),
                       static_cast<QWidget*>(m_ui->Check_JPEGPRGRS)})
        w->setEnabled(false);
    rule8();
    if (m_state.StartedWithCommandLine)
        m_ui->Check_OutputFolder->setEnabled(false);
}

void MainWindow::showNotice(const QString& text) {
    m_host->beep();
    showMessageBox(this, {text, AppTitle() + QStringLiteral("　サムネイル画像作成"), MessageButtons::Ok,
                          MessageIcon::Information});
}

void MainWindow::Check_CreateSmallPicture_Click(bool checked) {
    if (checked && !m_loading) {
        QString text =
            QStringLiteral("サムネイル用画像ファイルは元画像ファイルと同一のフォルダに作成されます。\r\n"
                           "したがって、CD-ROMなどの読取専用媒体のリストを作成する際には画像ファイルが作成"
                           "できません。\r\n"
                           "また、ファイル名の前後が「作成画像名付加文字列」と一致する場合、\r\n"
                           "そのファイルはリスト作成処理の対象外となります。\r\n"
                           "現在指定されている作成画像名付加文字列は' ") +
            m_ui->Text_SmallPictureName->text() + QStringLiteral(" ' です。");
        if (!thumbnailTypeSelected())
            text += QStringLiteral(
                "\r\n※ 出力HTML形式を「サムネイル＆リンク」にしないと機能しませんのでご注意ください。");
        showNotice(text);
        m_ui->Check_TrueRatio->setChecked(true);
        rule5();
    }
    rule2();
}

void MainWindow::Check_TrueRatio_Click(bool checked) {
    // While thumbnails are made, their size must be exact: the box cannot be switched off then.
    if (!checked && m_ui->Check_CreateSmallPicture->isChecked() && !m_loading) {
        showNotice(QStringLiteral("サムネイル用画像ファイル作成時はこのオプションは無視されます。"));
        m_ui->Check_TrueRatio->setChecked(true);
    }
    rule5();
}

void MainWindow::Command_ColWidthCalc_Click() {
    if (!thumbnailTypeSelected()) {
        m_ui->Text_ColWidth->setText(QStringLiteral("50%"));
        return;
    }
    try {
        const double width = Val(m_ui->Text_SumSizeW->text());
        const double columns = Val(m_ui->Text_Col->text());
        m_ui->Text_ColWidth->setText(plainNumber((width + 7) * columns + 39));
    } catch (const VeldrinError&) {
        // A number too large to read leaves the width as it was instead of ending the program.
    }
}

} // namespace veldrin::ui
