// The Organize languages dialog: adds languages (groups 1 and on) to the open project and
// deletes them. Every change is written to the project file at once; closing undoes
// nothing. Group 0, the basis group, is never listed: list position p is group p + 1.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

class tLS_project;

namespace Ui {
class COrganizeLanguagesDlg;
}

class COrganizeLanguagesDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 133;

    // `project` is not owned. Without an open project the list is empty and New and Delete
    // only say so (message 136): a closed project's file is never changed.
    COrganizeLanguagesDlg(QWidget* parent, tLS_project* project);
    ~COrganizeLanguagesDlg() override;

    // Runs the dialog until Close or Escape (result 2); the project has been changed directly.
    int Run();

    QString nameText; // the name edit's text when New last read it

    // New: adds a language named like the edit's text (blanks around it removed) and loads
    // its macro base. 142: the language exists; 132: any other failure.
    void OnNew();
    // Delete: removes the selected language from the project file without asking, shows
    // message 163 (effective at the next start) and selects the entry before it.
    void OnDelete();

    void done(int result) override;
    void reject() override;

private:
    bool HaveProject();
    void Fill();

    std::unique_ptr<Ui::COrganizeLanguagesDlg> ui_;
    tLS_project* project_;
};
