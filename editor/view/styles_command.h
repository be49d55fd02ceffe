// The view's Insert Style command: the Styles dialog, and the chosen style's text put
// around the selection.
#pragma once

class CLs_mainView;
class QString;

// Registers the command on `view`.
void RegisterStyleCommand(CLs_mainView* view);
// The styles file the dialog edits (set by the application before views are made).
void SetStylesFilePath(const QString& path);
