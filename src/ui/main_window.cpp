#include "ui/main_window.h"

#include "htmlgen/generation_run.h"
#include "startup/errors.h"
#include "startup/settings_file.h"
#include "thumbs/thumbnail.h"
#include "ui/all_controls.h"
#include "ui/dialogs.h"
#include "ui/message_box.h"
#include "ui_main_window.h"
#include "window_run_host.h"
#include "window_settings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace veldrin::ui {
namespace {

const QString kStopCaption = QStringLiteral("キャンセル(&C)");

// The order in which loading hands the keys to their controls; rules run between some of them.
constexpr const char16_t* kLoadOrder[] = {
    u"FOLDER",          u"SUBFS",
    u"SUMSIZE",         u"TRUERATIO",
    u"USETABLE",        u"TABLECOLS",
    u"OUTHTMLTYPE",     u"OBJTYPE",
    u"OUTFILENAME",     u"FILESIZE",
    u"FILELIMIT",       u"FILECOUNT",
    u"DIVFOLDER",       u"OUTFOLDER",
    u"PATHTYPE",        u"USEFRAME",
    u"FRAMETYPE",       u"SPICMAGNIF",
    u"BGCOLOR1",        u"BGCOLOR2",
    u"CREATESPIC",      u"SPICNAME",
    u"EASYSIZE",        u"SORTITEM",
    u"SORTORDER",       u"HTMLTITLE",
    u"SPICNAME_DIST",   u"JPEGCOMP",
    u"JPEGPRGRS",       u"STRETCHBLT_INIT",
    u"FILESTATUS_ATTR", u"FILESTATUS_FONTCOLOR",
    u"GETHTMLTITLE",    u"FLAMESET_LISTSIZE",
};

// The local file or folder of the first dropped URL, or "" when the drop holds none.
QString droppedPath(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().isEmpty())
        return {};
    const QUrl url = data->urls().front();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

} // namespace

MainWindow::MainWindow(StartupState state, QString applicationFolder, QWidget* parent)
    : QMainWindow(parent), m_ui(std::make_unique<Ui::frmMain>()), m_state(std::move(state)),
      m_applicationFolder(withTrailingSlash(applicationFolder)) {
    m_ui->setupUi(this);
    for (int i = 0; i < m_ui->Combo_SortItem->count(); ++i)
        m_ui->Combo_SortItem->setItemData(i, i);
    for (int i = 0; i < m_ui->Combo_STRETCHBLT_INIT->count(); ++i)
        m_ui->Combo_STRETCHBLT_INIT->setItemData(i, i + 1);
    m_settings = std::make_unique<WindowSettings>(*m_ui, m_state.settings);
    m_host = std::make_unique<WindowRunHost>(*this, *m_ui->Label_Info, m_stopRequested);

    setAcceptDrops(true);
    m_ui->Text_Folder->installEventFilter(this);
    for (QLabel* label : {m_ui->Label2, m_ui->Label4, m_ui->Label5})
        label->installEventFilter(this);
    connectHandlers();
    Form_Load();
}

MainWindow::~MainWindow() = default;

SettingsAccess& MainWindow::settings() {
    return *m_settings;
}

RunHost& MainWindow::host() {
    return *m_host;
}

void MainWindow::setOpener(std::function<bool(const QString&)> opener) {
    m_host->opener = std::move(opener);
}

void MainWindow::connectHandlers() {
    const auto folderDialog = [this] { showFolderSelect(this, QStringLiteral("Text_Folder")); };
    connect(m_ui->Command_Search, &QPushButton::clicked, this, folderDialog);
    connect(m_ui->menu_file_folderopen, &QAction::triggered, this, folderDialog);
    const auto colourDialog = [this](const char* target) {
        return [this, target] { showColorSelect(this, QString::fromLatin1(target)); };
    };
    connect(m_ui->cb_BackColorSet1, &QPushButton::clicked, this, colourDialog("pic_BackColor1"));
    connect(m_ui->Pic_BackColor1, &ColorSwatch::clicked, this, colourDialog("pic_BackColor1"));
    connect(m_ui->cb_BackColorSet2, &QPushButton::clicked, this, colourDialog("pic_BackColor2"));
    connect(m_ui->Pic_BackColor2, &ColorSwatch::clicked, this, colourDialog("pic_BackColor2"));
    connect(m_ui->cb_FontColorSet1, &QPushButton::clicked, this, colourDialog("Pic_FontColor1"));
    connect(m_ui->Pic_FontColor1, &ColorSwatch::clicked, this, colourDialog("Pic_FontColor1"));
    connect(m_ui->menu_help_version, &QAction::triggered, this, [this] { showVersionBox(this); });
    connect(m_ui->menu_help_website, &QAction::triggered, this, [this] { openHomePage(this); });

    connect(m_ui->Command_Reset, &QPushButton::clicked, this,
            [this] { m_ui->Text_ObjectType->setText(QStringLiteral("gif,jpg,jpeg,bmp,tga,png")); });
    connect(m_ui->Command_ColWidthCalc, &QPushButton::clicked, this, &MainWindow::Command_ColWidthCalc_Click);
    connect(m_ui->Command_Run, &QPushButton::clicked, this, &MainWindow::Command_Run_Click);
    connect(m_ui->Command_View, &QPushButton::clicked, this, &MainWindow::Command_View_Click);
    connect(m_ui->Command_Exit, &QPushButton::clicked, this, &QWidget::close);
    connect(m_ui->menu_file_exit, &QAction::triggered, this, &QWidget::close);

    // A box set in code runs its rule just as a click does: both arrive as toggled().
    connect(m_ui->Check_FileLimit, &QCheckBox::toggled, this, &MainWindow::rule1);
    connect(m_ui->Check_CreateSmallPicture, &QCheckBox::toggled, this,
            &MainWindow::Check_CreateSmallPicture_Click);
    connect(m_ui->Check_OutputFolder, &QCheckBox::toggled, this, &MainWindow::rule3);
    connect(m_ui->Check_UseFrame, &QCheckBox::toggled, this, &MainWindow::rule4);
    connect(m_ui->Check_TrueRatio, &QCheckBox::toggled, this, &MainWindow::Check_TrueRatio_Click);
    connect(m_ui->Check_UseTable, &QCheckBox::toggled, this, &MainWindow::rule6);
    for (QRadioButton* option : {m_ui->Option_OutType1, m_ui->Option_OutType2, m_ui->Option_OutType3}) {
        connect(option, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked)
                rule7();
        });
    }
    connect(m_ui->Text_ObjectType, &QLineEdit::textChanged, this, &MainWindow::rule8);
}

void MainWindow::checkJpegLibrary() {
    CheckJpegLibrary(*m_settings, *m_host, m_values, m_applicationFolder, systemLibraryFolder());
    if (m_values.JpegLibraryAvailable())
        return;
    m_ui->Check_CreateSmallPicture->setEnabled(false);
    if (m_loading)
        m_state.settings.CREATESPIC = QStringLiteral("0"); // loading must not switch it back on
}

void MainWindow::Form_Load() {
    m_loading = true;
    m_values.WindowLoading = true;
    checkJpegLibrary();
    setWindowTitle(AppTitle());

    for (const char16_t* key : kLoadOrder) {
        const QStringView name(key);
        if (name == u"OUTFOLDER" && m_state.StartedWithCommandLine) {
            // There is no program folder to write into: the option stays off and unusable.
            m_ui->Check_OutputFolder->setEnabled(false);
            rule3();
            continue;
        }
        m_settings->setValue(name, m_state.settings.*findSettingsKey(name)->field);
        if (name == u"OUTHTMLTYPE")
            rule7();
        else if (name == u"OBJTYPE")
            rule8(); // text equal to the box's own fires no change
        else if (name == u"FILECOUNT")
            rule1();
        else if (name == u"OUTFOLDER")
            rule3();
        else if (name == u"USEFRAME")
            rule4();
        else if (name == u"CREATESPIC")
            rule2();
    }

    m_stopRequested = true;
    m_values.OpenWhenDone = false;
    m_values.WindowLoading = false;
    m_loading = false;
}

bool MainWindow::Form_Unload() {
    for (const SettingsKey& key : settingsKeys())
        m_state.settings.*key.field = m_settings->value(QStringView(key.name));
    if (m_state.StartedWithCommandLine || SaveSettingsIfAllowed(m_state))
        return true;
    // A full disk or a read-only file would otherwise lose every change without a word.
    return showMessageBox(this, {QStringLiteral("設定ファイル（") + m_state.SettingsFilePath +
                                     QStringLiteral("）を保存できませんでした。\r\n"
                                                    "設定を保存せずに終了しますか？"),
                                 AppTitle(), MessageButtons::YesNo, MessageIcon::Warning}) ==
           MessageAnswer::Yes;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // During a run every control is disabled, the exit button too: the window stays.
    if (!m_ui->Command_Exit->isEnabled() || !Form_Unload()) {
        event->ignore();
        return;
    }
    event->accept();
}

void MainWindow::Command_Run_Click() {
    m_stopRequested = false;
    SetAllControlsEnabled(this, QStringLiteral("AllControl"), false);
    const QString viewCaption = m_ui->Command_View->text();
    m_ui->Command_View->setText(kStopCaption);
    m_ui->Command_View->setEnabled(true);
    m_ui->Label_Info->setEnabled(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);

    RunEnv env{*m_settings,
               *m_host,
               m_values,
               m_state.ProgramFolder,
               m_applicationFolder,
               [this] { Command_Run_Click(); }};
    GenerateListPages(env);

    SetAllControlsEnabled(this, QStringLiteral("AllControl"), true);
    reapplyRulesAfterRun();
    m_ui->Command_View->setText(viewCaption);
    QCoreApplication::processEvents();
    QApplication::restoreOverrideCursor();
    m_stopRequested = true;
}

void MainWindow::Command_View_Click() {
    if (m_ui->Command_View->text() == kStopCaption) {
        m_stopRequested = true;
        return;
    }
    RunEnv env{*m_settings,
               *m_host,
               m_values,
               m_state.ProgramFolder,
               m_applicationFolder,
               [this] { Command_Run_Click(); }};
    try {
        OpenResultInBrowser(env);
    } catch (const VeldrinError& e) {
        // The list's folder could not be examined (gone, no permission): say so instead of nothing.
        m_host->beep();
        showMessageBox(this, {e.description(), AppTitle() + QStringLiteral(" エラー"), MessageButtons::Ok,
                              MessageIcon::Critical});
    }
}

void MainWindow::folderDropped(const QString& path) {
    if (path.isEmpty() || running())
        return;
    // A dropped file stands for its folder: the file's own path is no folder a run could search.
    const QFileInfo info(path);
    const QString folder = info.isDir() ? path : info.absolutePath();
    m_ui->Text_Folder->setText(NormalizeFolderPath(folder, m_applicationFolder));
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedPath(event->mimeData()).isEmpty() && !running())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    folderDropped(droppedPath(event->mimeData()));
    event->acceptProposedAction();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->Text_Folder) {
        // URLs dropped on the folder box name a folder; the box would paste them as text otherwise.
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (!drag->mimeData()->hasUrls())
                return false;
            if (!droppedPath(drag->mimeData()).isEmpty() && !running())
                drag->acceptProposedAction();
            else
                drag->ignore();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (!drop->mimeData()->hasUrls())
                return false;
            folderDropped(droppedPath(drop->mimeData()));
            drop->acceptProposedAction();
            return true;
        }
        default:
            return false;
        }
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        // A click on a label moves the focus to the box it names.
        if (watched == m_ui->Label2)
            m_ui->Text_Folder->setFocus(Qt::MouseFocusReason);
        else if (watched == m_ui->Label4)
            m_ui->Text_ObjectType->setFocus(Qt::MouseFocusReason);
        else if (watched == m_ui->Label5)
            m_ui->Text_OutpuFileName->setFocus(Qt::MouseFocusReason);
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace veldrin::ui
