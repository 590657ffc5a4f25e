#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>

class QLineEdit;

namespace Ui {
class frmFileSelect;
}

namespace veldrin::ui {

class NetworkMount;

// frmFileSelect, "フォルダ選択": picks the folder to be listed, with volume, folder and file lists and
// a scaled preview of the clicked picture. It starts in the folder of the target box's text and OK
// writes the chosen folder, with a trailing "/", back into it; without a target it writes nothing.
class FolderSelectDialog : public QDialog {
    Q_OBJECT
public:
    explicit FolderSelectDialog(QLineEdit* target, QWidget* parent = nullptr);
    ~FolderSelectDialog() override;

    // The folder list's current folder (no trailing "/" but for the root).
    const QString& currentFolder() const { return m_folder; }

    // Replaces the network mounter (not owned) and the prompt for a network location; tests use both.
    void setNetworkMount(NetworkMount* mount) { m_mount = mount; }
    void setLocationPrompt(std::function<QString(QWidget*)> prompt) { m_prompt = std::move(prompt); }

    // Shows the picture at path in the preview; false when it could not be loaded.
    bool ShowPreview(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillDrives();
    void selectDriveOf(const QString& folder);
    void drvDrive_Change(int index);
    bool enterFolder(const QString& folder);
    void fillFolderList();
    QString highlightedFolder() const;
    void FilesSelect_Click(int index);
    void fillFileList();
    void filFile_Click();
    void cmdNet_Click();
    void cmdOk_Click();

    std::unique_ptr<Ui::frmFileSelect> m_ui;
    QLineEdit* m_target;
    QString m_folder;
    QStringList m_patterns;
    QStringList m_networkRoots; // mounted here, shown even when the volume list leaves them out
    std::unique_ptr<NetworkMount> m_ownMount;
    NetworkMount* m_mount = nullptr;
    std::function<QString(QWidget*)> m_prompt;
};

} // namespace veldrin::ui
