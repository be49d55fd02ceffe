#include "macro_document.h"

#include "app_services.h"
#include "doc_template.h"
#include "ids.h"
#include "ls_main_view.h"
#include "macro_text.h"
#include "message_box.h"
#include "new_macro_dialog.h"
#include "organize_macros_dialog.h"
#include "string_table.h"
#include "translations_window.h"

#include <brevic/ls_macrobase.h>

#include <QFile>
#include <QTextDocument>

namespace {

QWidget* Parent() {
    return app::MainWindow();
}
} // namespace

ClsMacroDoc::ClsMacroDoc(fw::DocTemplate* docTemplate)
    : fw::Document(docTemplate), macroBase_(theProject.GetActiveGroup()) {
    OnCommand({cmd::Save}, [this] { SaveMacro(); });
    OnCommand({cmd::FileClose}, [this] {
        if (SaveModified()) CloseViews();
    });
}

CLs_mainView* ClsMacroDoc::View() const {
    return Views().isEmpty() ? nullptr : qobject_cast<CLs_mainView*>(Views().first());
}

QString ClsMacroDoc::MacroTitle(const QByteArray& name, tLS_macrobase* base) {
    return QStringLiteral("{#") + macrotext::Decode(name, macrotext::EncodingOf(base)) +
           QStringLiteral("} : ") + (base ? QString::fromUtf8(base->GetName()) : QString());
}

void ClsMacroDoc::UpdateTitle() {
    SetTitle(MacroTitle(macroName_, macroBase_));
}

ClsMacroDoc* ClsMacroDoc::FindOpen(tLS_macrobase* base, const QByteArray& name) const {
    if (!Template() || !base) return nullptr;
    for (fw::Document* d : Template()->Documents()) {
        auto* other = qobject_cast<ClsMacroDoc*>(d);
        if (other && other != this && other->macroBase_ == base && other->macroIndex_ >= 0 &&
            other->macroName_ == name)
            return other;
    }
    return nullptr;
}

void ClsMacroDoc::ReportNotSaved(tLS_macrobase* base, const QString& title) {
    macrotext::ReportNotWritten(Parent(), base, title);
}

bool ClsMacroDoc::SaveMacroFiles() {
    bool ok = true;
    for (int i = 0; tLS_macrobase* base = theProject.GetGroup(i); ++i) {
        if (!macrotext::WriteBase(Parent(), base)) ok = false;
    }
    app::MacroBasesChanged(); // made or deleted macros are in the files now
    return ok;
}

void ClsMacroDoc::ShowText(const QString& text) {
    if (CLs_mainView* v = View()) {
        v->SetFileText(text);
    } else {
        pendingText_ = text;
    }
}

void ClsMacroDoc::OnViewAdded(QWidget* view) {
    if (auto* v = qobject_cast<CLs_mainView*>(view)) {
        const bool modified = IsModified();
        v->SetFileText(pendingText_);
        pendingText_.clear();
        SetModified(modified); // a new macro counts as changed
    }
}

bool ClsMacroDoc::OnNewDocument() {
    if (!theProject.IsProject()) {
        fw::ShowMessage(Parent(), str::NoProject, fw::MessageKind::Error);
        return false;
    }
    const app::NewDocumentRequest& request = app::PendingNewDocument();
    switch (request.macroMode) {
    case app::MacroOpenMode::AskNew: {
        CNewMacroDlg dialog(Parent());
        if (dialog.Run() != 1) return false;
        QByteArray bytes;
        if (macrotext::Encode(dialog.nameText, macrotext::EncodingOf(macroBase_), bytes)) {
            if (ClsMacroDoc* open = FindOpen(macroBase_, bytes)) {
                fw::ShowMessage(Parent(), str::MacroExists, fw::MessageKind::Error);
                open->Activate();
                return false;
            }
        }
        return CreateMacro(dialog.nameText);
    }
    case app::MacroOpenMode::Pick: {
        COrganizeMacrosDlg dialog(Parent(), macroBase_);
        if (dialog.Run() != 1) return false;
        if (ClsMacroDoc* open = FindOpen(macroBase_, dialog.selectedBytes)) {
            open->Activate();
            return false;
        }
        if (OpenMacro(dialog.selectedBytes) == LS_OK) return true;
        fw::ShowMessage(Parent(), str::MacroNotCreated, fw::MessageKind::Error);
        return false;
    }
    case app::MacroOpenMode::ByName:
        if (ClsMacroDoc* open = FindOpen(macroBase_, request.macroName)) {
            open->Activate();
            return false;
        }
        return OpenMacro(request.macroName) == LS_OK;
    }
    return false;
}

tLS_Error ClsMacroDoc::OpenMacro(const QByteArray& name) {
    if (name.isEmpty() || !macroBase_) return LS_MACRO_NOT_FOUND;
    int index = -1;
    tLS_Error r = macroBase_->GetMacroIndex(index, name.constData(), 1);
    if (r != LS_OK) return r;
    std::string* content = nullptr;
    r = macroBase_->GetMacroContent(index, content);
    if (r != LS_OK) return r;
    macroIndex_ = index;
    macroText_ = content;
    macroName_ = name;
    UpdateTitle();
    QByteArray raw(content->data(), static_cast<qsizetype>(content->size()));
    encoding_ = macrotext::EncodingOf(macroBase_);
    ShowText(codec::Decode(raw, encoding_));
    SetModified(false);
    return LS_OK;
}

bool ClsMacroDoc::CreateMacro(const QString& name) {
    if (name.isEmpty() || !macroBase_) return false;
    QByteArray bytes;
    if (!macrotext::Encode(name, macrotext::EncodingOf(macroBase_), bytes)) {
        fw::ShowMessage(Parent(), str::TextCharsNotStorable, fw::MessageKind::Error);
        return false;
    }
    return CreateMacroBytes(bytes);
}

bool ClsMacroDoc::CreateMacroBytes(const QByteArray& name) {
    std::string* content = nullptr;
    int index = -1;
    tLS_Error r = macroBase_->NewMacro(content, name.constData(), index);
    if (r != LS_OK) {
        fw::ShowMessage(Parent(), r == LS_MACRO_EXISTS ? str::MacroExists : str::MacroNotCreated,
                        fw::MessageKind::Error);
        return false;
    }
    macroText_ = content;
    macroIndex_ = index;
    macroName_ = name;
    encoding_ = macrotext::EncodingOf(macroBase_);
    UpdateTitle();
    // A macro made is a macro in its file. Should the write fail (said), the window stays
    // modified, so that closing it asks and tries again.
    SetModified(!macrotext::WriteBase(Parent(), macroBase_, Title()));
    return true;
}

void ClsMacroDoc::Rebind(tLS_macrobase* base) {
    macroBase_ = base;
    macroText_ = nullptr;
    macroIndex_ = -1;
    if (OpenMacro(macroName_) != LS_OK) SetModified(true);
}

bool ClsMacroDoc::StoreBack() {
    CLs_mainView* v = View();
    if (!v || !macroBase_ || !IsModified()) return true;
    if (!macroText_) {
        // The macro went from its file while the window was open: it is made again.
        std::string* content = nullptr;
        int index = -1;
        if (macroBase_->NewMacro(content, macroName_.constData(), index) != LS_OK) {
            fw::ShowMessage(Parent(), str::MacroNotCreated, fw::MessageKind::Error);
            return false;
        }
        macroText_ = content;
        macroIndex_ = index;
    }
    // Each line as it came from the macro file (in memory a line ends in "\n").
    const QString text = v->FileText(codec::LineEnd::Lf);
    if (!brevic::MacroTextStorable(text.toStdString())) {
        fw::ShowMessage(Parent(), str::MacroLineNotStorable, fw::MessageKind::Error, Title());
        return false;
    }
    // The macro file keeps its encoding: a character it cannot hold is refused, never
    // written as "?".
    encoding_ = macrotext::EncodingOf(macroBase_);
    QByteArray bytes;
    if (!macrotext::Encode(text, encoding_, bytes)) {
        fw::ShowMessage(Parent(), str::MacroCharsNotStorable, fw::MessageKind::Error, Title());
        return false;
    }
    macroText_->assign(bytes.constData(), static_cast<size_t>(bytes.size()));
    macroBase_->SetModified(macroIndex_);
    // The control's own flag too: otherwise the next edit would not mark the window again,
    // and closing it would drop that edit.
    v->document()->setModified(false);
    SetModified(false);
    app::MacroBasesChanged();
    return true;
}

bool ClsMacroDoc::PreviewText(std::string*& slot, std::string& bytes) const {
    CLs_mainView* v = View();
    if (!v || !macroBase_ || !macroText_ || !IsModified()) return false;
    const QString text = v->FileText(codec::LineEnd::Lf);
    QByteArray encoded;
    if (!brevic::MacroTextStorable(text.toStdString()) ||
        !macrotext::Encode(text, macrotext::EncodingOf(macroBase_), encoded))
        return false;
    slot = macroText_;
    bytes.assign(encoded.constData(), static_cast<size_t>(encoded.size()));
    return true;
}

bool ClsMacroDoc::SaveMacro() {
    if (!StoreBack()) return false;
    if (!macroBase_) return true;
    if (macroBase_->SaveMacroBase() != LS_OK) {
        ReportNotSaved(macroBase_, Title());
        return false;
    }
    return true;
}

bool ClsMacroDoc::SaveModified() {
    if (!IsModified()) return true;
    switch (AskSaveChanges()) {
    case QMessageBox::Yes:
        return SaveMacro();
    case QMessageBox::No:
        DropEdits();
        return true;
    default:
        return false;
    }
}

void ClsMacroDoc::DropEdits() {
    if (macroText_) {
        const QByteArray raw(macroText_->data(), static_cast<qsizetype>(macroText_->size()));
        ShowText(codec::Decode(raw, encoding_));
    }
    if (CLs_mainView* v = View()) v->document()->setModified(false);
    SetModified(false);
}

bool ClsMacroDoc::FollowsActiveLanguage() const {
    tLS_macrobase* active = theProject.GetActiveGroup();
    tLS_macrobase* basis = theProject.GetBasisGroup();
    return active && macroBase_ && macroBase_ != basis && active != basis && active != macroBase_;
}

void ClsMacroDoc::SwitchLanguage() {
    if (!FollowsActiveLanguage()) return;
    tLS_macrobase* active = theProject.GetActiveGroup();
    // The same name in the other language's file, in that file's encoding.
    const QString shown = macrotext::Decode(macroName_, macrotext::EncodingOf(macroBase_));
    QByteArray bytes;
    if (!macrotext::Encode(shown, macrotext::EncodingOf(active), bytes)) {
        fw::ShowMessage(Parent(), str::TextCharsNotStorable, fw::MessageKind::Error);
        return;
    }
    if (ClsMacroDoc* open = FindOpen(active, bytes)) {
        // That macro has a window already: this one stays on its language.
        open->Activate();
        return;
    }
    int index = -1;
    if (active->GetMacroIndex(index, bytes.constData(), 1) == LS_OK) {
        macroBase_ = active;
        OpenMacro(bytes);
        return;
    }
    // The macro is new in that language. When it cannot be made, the window stays on the
    // previous language's macro and nothing is asked.
    tLS_macrobase* previous = macroBase_;
    const QByteArray previousName = macroName_;
    macroBase_ = active;
    if (!CreateMacroBytes(bytes)) {
        macroBase_ = previous;
        macroName_ = previousName;
        return;
    }
    if (fw::ShowMessage(Parent(), str::AskCopyMacroContent, fw::MessageKind::Question) ==
        QMessageBox::Yes) {
        SetModified(true); // the text shown is still to be stored into the new macro
    } else {
        ShowText(QString());
    }
}
