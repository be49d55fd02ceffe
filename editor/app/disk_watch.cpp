#include "disk_watch.h"

#include "app_services.h"
#include "doc_template.h"
#include "html_document.h"
#include "ids.h"
#include "ls_main_app.h"
#include "macro_document.h"
#include "main_frame.h"
#include "message_box.h"
#include "translations_window.h"

#include <brevic/ls_files.h>
#include <brevic/ls_macrobase.h>
#include <brevic/ls_project.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <memory>

namespace app {

namespace {

// The file's bytes; a null array when it is not there or is no file.
QByteArray ReadIfThere(const QString& path) {
    std::string bytes;
    if (!QFileInfo(path).isFile() ||
        !brevic::ReadBinaryFile(QFile::encodeName(path).constData(), bytes))
        return QByteArray();
    QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (data.isNull()) data = QByteArray(""); // there, and empty
    return data;
}

// True when the macro file holds exactly the macros the group holds.
bool SameMacros(tLS_macrobase* base, const std::string& text) {
    auto members = std::make_unique<tBaseMember[]>(LS_MAX_MACROS);
    int last = -1;
    if (brevic::ParseMacroText(text, members.get(), last) != LS_OK) return false;
    int slot = 0;
    for (int i = 0; i <= base->GetLastIndex(); ++i) {
        tBaseMember* m = nullptr;
        if (base->GetMacroContent(i, m) != LS_OK) continue; // deleted: not in the file
        if (slot > last || std::string(m->name) != members[slot].name ||
            m->content != members[slot].content)
            return false;
        ++slot;
    }
    return slot == last + 1;
}

int GroupIndexOf(const QString& path) {
    for (int g = 0; tLS_macrobase* base = theProject.GetGroup(g); ++g) {
        if (QFileInfo(QFile::decodeName(base->GetFilePath())).absoluteFilePath() == path) return g;
    }
    return -1;
}

QList<ClsMacroDoc*> MacroWindowsOf(tLS_macrobase* base) {
    QList<ClsMacroDoc*> windows;
    for (fw::Document* d : theApp.MacroTemplate()->Documents()) {
        auto* macro = qobject_cast<ClsMacroDoc*>(d);
        if (macro && macro->MacroBase() == base) windows.append(macro);
    }
    return windows;
}

} // namespace

DiskWatch::DiskWatch() : watcher_(new QFileSystemWatcher(this)) {
    // Editors and sync tools write a file in several steps: they are taken as one change.
    settle_.setSingleShot(true);
    settle_.setInterval(150);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &DiskWatch::Changed);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this](const QString& folder) {
        for (auto it = documents_.cbegin(); it != documents_.cend(); ++it) {
            if (QFileInfo(it.key()).absolutePath() == folder) Changed(it.key());
        }
        for (const QString& file : std::as_const(macroFiles_)) {
            if (QFileInfo(file).absolutePath() == folder) Changed(file);
        }
    });
    connect(&settle_, &QTimer::timeout, this, &DiskWatch::CheckNow);
}

DiskWatch::~DiskWatch() = default;

void DiskWatch::Watch(const QString& path) {
    // The folder too: a file saved through a rename is a new file the old watch misses.
    if (QFileInfo::exists(path) && !watcher_->files().contains(path)) watcher_->addPath(path);
    const QString folder = QFileInfo(path).absolutePath();
    if (!watcher_->directories().contains(folder)) watcher_->addPath(folder);
}

void DiskWatch::NoteDocumentFile(fw::Document* doc, const QString& file, const QByteArray& bytes) {
    const QString path = QFileInfo(file).absoluteFilePath();
    for (auto it = documents_.begin(); it != documents_.end();) {
        it = it.value().doc == doc || !it.value().doc ? documents_.erase(it) : std::next(it);
    }
    documents_.insert(path, Tracked{doc, bytes.isNull() ? QByteArray("") : bytes, false});
    Watch(path);
}

void DiskWatch::WatchMacroFiles() {
    macroFiles_.clear();
    seen_.clear();
    for (int g = 0; tLS_macrobase* base = theProject.GetGroup(g); ++g) {
        const QString path = QFileInfo(QFile::decodeName(base->GetFilePath())).absoluteFilePath();
        macroFiles_.insert(path);
        std::string text;
        if (brevic::ReadTextFile(base->GetFilePath(), text)) seen_.insert(path, text);
        Watch(path);
    }
}

void DiskWatch::Changed(const QString& path) {
    pending_.insert(path);
    settle_.start();
}

void DiskWatch::Recheck(const QStringList& files) {
    for (const QString& file : files)
        pending_.insert(QFileInfo(file).absoluteFilePath());
    CheckNow();
}

void DiskWatch::CheckNow() {
    settle_.stop();
    if (CMainFrame* frame = theApp.MainFrame())
        frame->WakeIdle(); // a reload changes captions and states
    const QSet<QString> paths = std::exchange(pending_, {});
    for (const QString& path : paths) {
        // A dialog open now may hold a group's macros: their files wait until it closes.
        if (macroFiles_.contains(path) && QApplication::activeModalWidget()) {
            pending_.insert(path);
            settle_.start();
            continue;
        }
        Watch(path); // a file that came back, or was replaced, is watched again
        auto it = documents_.find(path);
        if (it != documents_.end()) {
            if (it->doc) {
                CheckDocument(*it, path);
            } else {
                documents_.erase(it);
            }
        }
        if (macroFiles_.contains(path)) CheckMacroFile(path);
    }
}

void DiskWatch::CheckDocument(Tracked& tracked, const QString& path) {
    const QByteArray now = ReadIfThere(path);
    if (now == tracked.bytes) return; // what the editor read or wrote itself
    auto* doc = qobject_cast<CLs_mainDoc*>(tracked.doc.data());
    if (!doc) return;
    if (now.isNull()) {
        tracked.bytes = now;
        if (tracked.missingSaid) return;
        tracked.missingSaid = true;
        doc->SetModified(true);
        fw::ShowMessage(MainWindow(), str::FileGoneFromDisk, fw::MessageKind::Error, path);
        return;
    }
    tracked.missingSaid = false;
    if (doc->IsModified()) {
        doc->Activate();
        if (fw::ShowMessage(MainWindow(), str::AskReloadChangedFile, fw::MessageKind::WarnYesNo,
                            path) != QMessageBox::Yes) {
            tracked.bytes = now; // kept: asked once per change; the next save writes over it
            return;
        }
    }
    doc->Reload(); // notes the new bytes
}

void DiskWatch::CheckMacroFile(const QString& path) {
    const int g = GroupIndexOf(path);
    tLS_macrobase* base = theProject.GetGroup(g);
    if (!base) return;
    std::string text;
    if (!brevic::ReadTextFile(QFile::encodeName(path).constData(), text)) return;
    // Unchanged since the last look (what the editor holds unsaved is its own), or holding
    // just what the editor holds (its own write): nothing to do.
    const auto seen = seen_.constFind(path);
    const bool same = seen != seen_.cend() && *seen == text;
    seen_.insert(path, text);
    if (same || SameMacros(base, text)) return;
    const QList<ClsMacroDoc*> windows = MacroWindowsOf(base);
    bool unsaved = base->IsModified() != 0;
    for (ClsMacroDoc* w : windows)
        unsaved = unsaved || w->IsModified();
    if (unsaved && fw::ShowMessage(MainWindow(), str::AskReloadChangedMacroFile,
                                   fw::MessageKind::WarnYesNo, path) != QMessageBox::Yes)
        return;
    if (theProject.ReloadGroup(g) != LS_OK) return; // a file that does not load: the group stays
    for (ClsMacroDoc* w : windows)
        w->Rebind(theProject.GetGroup(g));
    MacroBasesChanged();
}

} // namespace app
