// The view's Search, Replace, tool-bar search and ISO-8859-1 conversion commands.
#pragma once

class CLs_mainView;

// Registers the commands on `view`. Its Search and Replace dialogs are made on first use,
// as modeless children of the view, and go with it.
void RegisterSearchCommands(CLs_mainView* view);
