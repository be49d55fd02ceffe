// The Organize templates dialog: adds template files to the open project's source list,
// removes them from it (no file is deleted), and hands a chosen template back to be opened.
// Every change is written to the project file at once; closing undoes nothing.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

class tLS_project;

namespace Ui {
class COrganizeTemplatesDlg;
}

class COrganizeTemplatesDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 147;

    // `project` is not owned. Without an open project the list is empty; add... and
    // Remove then say so (message 136) and change nothing.
    COrganizeTemplatesDlg(QWidget* parent, tLS_project* project);
    ~COrganizeTemplatesDlg() override;

    // 1 after Open, Enter or a double click on an entry (selectedPath: the template's full
    // path); 2 after Close or Escape. Open without a selection leaves the dialog open.
    int Run();

    QString selectedPath;

    // add...: asks for one or more files and registers each in the order given; a template
    // already registered gives message 141, any other failure 140, each followed by the path.
    void OnAdd();
    // Remove: unregisters the selected template without asking. The project moves its last
    // template into the freed place, and the list shows the new order.
    void OnRemove();
    // Open: closes with result 1 when an entry is selected.
    void OnOpen();

    void done(int result) override;
    void reject() override;

private:
    bool HaveProject();
    void Fill();

    std::unique_ptr<Ui::COrganizeTemplatesDlg> ui_;
    tLS_project* project_;
};
