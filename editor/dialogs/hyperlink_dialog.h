// The Insert Hyperlink dialog: builds the opening anchor tag that the view's Hyperlink
// command wraps around the selection.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class CHyperlinkDlg;
}

struct HyperlinkValues {
    QString url;    // the link target
    QString anchor; // the part after "#", optional
    QString target; // the frame name, optional
    QString status; // the status-line text while the mouse is over the link, optional
};

// The opening tag of the values, taken as typed (nothing is escaped):
// <A HREF="url#anchor" TARGET="target" onMouseOver="window.status='status';return true;">
// with the anchor, TARGET and onMouseOver parts only when their value is not empty.
QString BuildAnchorTag(const HyperlinkValues& values);

class CHyperlinkDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 205;

    // `documentPath`: the file the link goes into (empty for a document never saved).
    CHyperlinkDlg(QWidget* parent, const QString& documentPath);
    ~CHyperlinkDlg() override;

    // 1 after OK, with resultTag; 2 after Cancel.
    int Run();

    // "...": a page chosen in a file dialog becomes the URL, relative to the page the
    // document is built into. Message 174 instead when that page cannot be named (the
    // document is unsaved or not a template); the URL then stays as it is.
    void ChooseLinkTarget();

    QString resultTag;

    // OK builds resultTag from the fields.
    void done(int result) override;

private:
    std::unique_ptr<Ui::CHyperlinkDlg> ui_;
    QString documentPath_;
};
