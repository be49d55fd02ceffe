// Multiple File Replace: a text replaced in a list of files on disk (documents open in the
// editor are neither saved first nor reloaded). After a run one message says how many
// replacements were made in how many files, and names the files that could not be changed
// and those left alone because another program changed or removed them meanwhile.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CMultiReplaceDlg;
}

class CMultiReplaceDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 204;

    explicit CMultiReplaceDlg(QWidget* parent);
    ~CMultiReplaceDlg() override;

    // Runs the dialog until Close.
    void Run();

    // "Add Files...": the chosen files join the list, their folder is remembered.
    void AddFiles();
    // "Remove": the selected entry goes; the one before it is selected.
    void RemoveSelected();
    // "Replace": after question 171, every listed file in turn.
    void ReplaceInAll();

private:
    std::unique_ptr<Ui::CMultiReplaceDlg> ui_;
};
