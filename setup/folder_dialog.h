// Dialog 101, "Select Folder to install": the folder to install into, typed or picked from
// the sub-directories of a directory and the mounted volumes.
#pragma once

#include <QDialog>
#include <memory>

class QListWidgetItem;

namespace Ui {
class CFolderDlg;
}

class CFolderDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 101;

    // Lists the sub-directories of `listed`, selects the volume holding `proposed` and puts
    // `proposed` into the folder field.
    CFolderDlg(QWidget* parent, const QString& listed, const QString& proposed);
    ~CFolderDlg() override;

    // The folder field's text; a relative path is taken from the listed directory.
    QString Folder() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OpenDirectory(QListWidgetItem* item);
    // Lists the sub-directories of `dir` (and "..") and writes `dir` into the folder field.
    void ListDirectory(const QString& dir);
    // Selects the volume whose mount point holds `path` (the longest that does).
    void SelectVolumeOf(const QString& path);

    std::unique_ptr<Ui::CFolderDlg> ui_;
    QString listed_;
};
