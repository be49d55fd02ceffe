// A read-only window showing a compiled page as text (View HTML).
#pragma once

#include <QDialog>

class CRichEditCtrl;

class CHtmlViewer : public QDialog {
    Q_OBJECT
public:
    // Opens a window on `path` (coloured, read-only); it deletes itself when closed.
    static CHtmlViewer* Open(QWidget* parent, const QString& path);

    CRichEditCtrl* Text() const { return text_; }
    const QString& Path() const { return path_; }

private:
    CHtmlViewer(QWidget* parent, const QString& path);

    CRichEditCtrl* text_;
    QString path_;
};
