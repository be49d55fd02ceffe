// The Options menu's settings dialogs: Compiler (the main frame's command), Editor and
// Browser (the application's), Autotag (every view's, on its autotag table).
#pragma once

class CLs_mainApp;
class CLs_mainView;
class CMainFrame;

// Editor copies the dialog's four values into the application's cached EDITOR settings
// however the dialog was closed; Browser only runs its dialog.
void RegisterSettingsCommands(CLs_mainApp& app);
void RegisterCompilerCommand(CMainFrame& frame);
// Without a complete autotag table (message 131 told so when the view was made) the
// dialog does not open: its changes could never be saved.
void RegisterAutotagCommand(CLs_mainView& view);
