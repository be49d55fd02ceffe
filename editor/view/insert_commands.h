// The view's Image, Table and Hyperlink commands: larger pieces of HTML made from an image
// file's header or from a dialog.
#pragma once

class CLs_mainView;

// Registers the commands on `view`.
void RegisterInsertCommands(CLs_mainView* view);
