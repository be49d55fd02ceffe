// Macro > Translations: the Translations window on the open project, kept in step with its
// macro bases, and its PO export and import.
#pragma once

class QMainWindow;
class CTranslationsDlg;

namespace app {

// Shows the window (one per main window), filled from the macro bases.
CTranslationsDlg* ShowTranslations(QMainWindow* frame);
// A macro base changed (a macro stored, made, deleted, or its file read again): an open
// window shows it.
void MacroBasesChanged();

} // namespace app
