#include "macro_document.h"

#include "app_context.h"
#include "ids.h"
#include "ls_main_view.h"
#include "message_box.h"
#include "new_macro_dialog.h"
#include "organize_macros_dialog.h"
#include "string_table.h"

#include <brevic/ls_macrobase.h>

namespace {

QWidget* Parent() { return app::MainWindow(); }
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

QString ClsMacroDoc::MacroTitle(const QString& name, tLS_macrobase* base) {
    return QStringLiteral("{#") + name + QStringLiteral("} : ") +
           (base ? QString::fromUtf8(base->GetName()) : QString());
}

void ClsMacroDoc::UpdateTitle() { SetTitle(MacroTitle(macroName_, macroBase_)); }

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
        return CreateMacro(dialog.nameText);
    }
    case app::MacroOpenMode::Pick: {
        COrganizeMacrosDlg dialog(Parent(), macroBase_);
        if (dialog.Run() != 1) return false;
        if (OpenMacro(dialog.selectedName) == LS_OK) return true;
        fw::ShowMessage(Parent(), str::MacroNotCreated, fw::MessageKind::Error);
        return false;
    }
    case app::MacroOpenMode::ByName:
        return OpenMacro(QString::fromUtf8(request.macroName)) == LS_OK;
    }
    return false;
}

tLS_Error ClsMacroDoc::OpenMacro(const QString& name) {
    if (name.isEmpty() || !macroBase_) return LS_MACRO_NOT_FOUND;
    QByteArray bytes = name.toUtf8();
    int index = -1;
    tLS_Error r = macroBase_->GetMacroIndex(index, bytes.constData(), 1);
    if (r != LS_OK) return r;
    std::string* content = nullptr;
    r = macroBase_->GetMacroContent(index, content);
    if (r != LS_OK) return r;
    macroIndex_ = index;
    macroText_ = content;
    macroName_ = name;
    UpdateTitle();
    QByteArray raw(content->data(), static_cast<qsizetype>(content->size()));
    encoding_ = codec::Detect(raw);
    ShowText(codec::Decode(raw, encoding_));
    SetModified(false);
    return LS_OK;
}

bool ClsMacroDoc::CreateMacro(const QString& name) {
    if (name.isEmpty() || !macroBase_) return false;
    QByteArray bytes = name.toUtf8();
    std::string* content = nullptr;
    int index = -1;
    tLS_Error r = macroBase_->NewMacro(content, bytes.constData(), index);
    if (r != LS_OK) {
        fw::ShowMessage(Parent(), r == LS_MACRO_EXISTS ? str::MacroExists : str::MacroNotCreated, fw::MessageKind::Error);
        return false;
    }
    macroText_ = content;
    macroIndex_ = index;
    macroName_ = name;
    encoding_ = codec::Encoding::Utf8;
    UpdateTitle();
    SetModified(true);
    return true;
}

bool ClsMacroDoc::StoreBack() {
    CLs_mainView* v = View();
    if (!v || !macroBase_ || !macroText_ || !IsModified()) return true;
    // Each line as it came from the macro file (in memory a line ends in "\n").
    const QString text = v->FileText(codec::LineEnd::Lf);
    if (!brevic::MacroTextStorable(text.toStdString())) {
        fw::ShowMessageText(Parent(),
                            tr("The macro %1 holds a line that begins with \"{:\".\n"
                               "A macro file cannot store such a line; please change it.")
                                .arg(Title()),
                            fw::MessageKind::Error);
        return false;
    }
    QByteArray bytes = codec::Encode(text, encoding_);
    macroText_->assign(bytes.constData(), static_cast<size_t>(bytes.size()));
    macroBase_->SetModified(macroIndex_);
    SetModified(false);
    return true;
}

bool ClsMacroDoc::SaveMacro() {
    if (!StoreBack()) return false;
    if (!macroBase_) return true;
    if (macroBase_->SaveMacroBase() != LS_OK) {
        fw::ShowMessageText(Parent(), fw::LoadString(str::MacroNotSaved) + QLatin1Char('\n') + Title(),
                            fw::MessageKind::Error);
        return false;
    }
    return true;
}

bool ClsMacroDoc::SaveModified() { return StoreBack(); }

void ClsMacroDoc::SwitchLanguage() {
    tLS_macrobase* active = theProject.GetActiveGroup();
    tLS_macrobase* basis = theProject.GetBasisGroup();
    if (!active || macroBase_ == basis || active == basis || active == macroBase_) return;
    QByteArray bytes = macroName_.toUtf8();
    int index = -1;
    if (active->GetMacroIndex(index, bytes.constData(), 1) == LS_OK) {
        macroBase_ = active;
        OpenMacro(macroName_);
        return;
    }
    // The macro is new in that language. When it cannot be made, the window stays on the
    // previous language's macro and nothing is asked.
    tLS_macrobase* previous = macroBase_;
    macroBase_ = active;
    if (!CreateMacro(macroName_)) {
        macroBase_ = previous;
        return;
    }
    if (fw::ShowMessage(Parent(), str::AskCopyMacroContent, fw::MessageKind::Question) != QMessageBox::Yes) {
        ShowText(QString());
        SetModified(true);
    }
}
