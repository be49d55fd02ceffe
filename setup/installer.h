// The installation as the user goes through it: the question, the folder, the copy, the
// desktop entries and the final message.
#pragma once

#include <QString>

class QWidget;

namespace setup {

// The folder proposed to install into: "Larkspan" in the user's home.
QString ProposedFolder();

// Runs the whole installation from `sourceDir` (the folder setup lies in), with message
// boxes and dialogs owned by `owner`, and ends with "The setup is now complete." or "The
// setup is incomplete.". Declining, cancelling, a folder that cannot be made, a file
// that could not be copied or desktop entries that could not be written leave an
// incomplete installation; the files copied so far stay. Returns true when complete.
bool RunInstallation(QWidget* owner, const QString& sourceDir);

} // namespace setup
