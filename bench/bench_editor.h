// The editor started for a benchmark, on a project: every message box and modal dialog
// (the templates list that opening a project shows) answered at once, no start-up hint, no
// file-type registration. Call it after making the QApplication, with the settings folder
// already pointed elsewhere. False when the editor does not start.
#pragma once

#include "command_line.h"
#include "ls_main_app.h"
#include "main_frame.h"
#include "message_box.h"
#include "modal.h"

#include <QMessageBox>
#include <QString>

inline bool StartBenchEditor(const QString& project) {
    fw::SetMessageHook([](const fw::MessageRequest&) { return static_cast<int>(QMessageBox::Ok); });
    fw::SetModalHook([](QDialog&) { return 0; });
    const char* args[] = {"larkspan"};
    CLs_mainApp::Options options;
    options.showHint = false;
    options.registerFileTypes = false;
    if (!theApp.InitInstance(larkspan::ParseCommandLine(1, args), options)) return false;
    theApp.MainFrame()->OpenProjectFile(project);
    return true;
}
