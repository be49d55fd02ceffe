// The view's tag commands: Delete, Cut and Copy HTML Tag, the commands that wrap the
// selection in a tag pair (Bold ... Font -), No break space, and the insertion of colour
// values, font faces, "&#60;" and "&#62;" and special characters.
#pragma once

class CLs_mainView;

// Registers the commands on `view`.
void RegisterTagCommands(CLs_mainView* view);
