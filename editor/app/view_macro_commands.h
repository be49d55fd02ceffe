// The view's macro commands: Macro from Text, Macroplaceholder, System Macro, Open Macro
// and Delete Macroplaceholder. They need the project and the dialogs, so the application
// gives them to every view it makes.
#pragma once

class CLs_mainView;

void RegisterMacroCommands(CLs_mainView* view);
