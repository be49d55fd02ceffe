// Notices files changed on disk under open windows: every HTML document's file and the
// project's macro files are watched (a save through a temporary file and a rename too).
//
// - A window without unsaved edits reloads its file at once, keeping caret line and scroll.
// - A window with unsaved edits asks whether to reload (losing its edits) or keep its text
//   (the next save then overwrites the file).
// - A file deleted or renamed away leaves the window's text as the only copy: the window is
//   marked modified and says so once.
// - A macro file changed on disk reloads its group when no window of it holds unsaved edits
//   and the group holds nothing unsaved; otherwise the author is asked.
// What the editor itself wrote is told apart by content: a file whose bytes are the ones last
// read or written (for a macro file: whose macros are those in memory) changed nothing.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <string>

class QFileSystemWatcher;
namespace fw {
class Document;
}

namespace app {

class DiskWatch : public QObject {
    Q_OBJECT
public:
    DiskWatch();
    ~DiskWatch() override;

    // The document's file as it now lies on disk (after opening or saving it).
    void NoteDocumentFile(fw::Document* doc, const QString& path, const QByteArray& bytes);
    // Watches the macro files of the open project (after it opened or its groups changed).
    void WatchMacroFiles();
    // Handles what changed now instead of after the short pause.
    void CheckNow();
    // The files were just written by the editor's own tool (Multiple File Replace): their
    // windows show the new text at once.
    void Recheck(const QStringList& files);

private:
    struct Tracked {
        QPointer<fw::Document> doc;
        QByteArray bytes; // the file's content as last read or written; null: not there
        bool missingSaid = false;
    };
    void Changed(const QString& path);
    void Watch(const QString& path);
    void CheckDocument(Tracked& tracked, const QString& path);
    void CheckMacroFile(const QString& path);

    QFileSystemWatcher* watcher_;
    QHash<QString, Tracked> documents_; // by absolute path
    QSet<QString> macroFiles_;
    // Each macro file's text as last looked at: a file that still holds it has not changed,
    // whatever the editor holds unsaved in memory.
    QHash<QString, std::string> seen_;
    QSet<QString> pending_;
    QTimer settle_;
};

} // namespace app
