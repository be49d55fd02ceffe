// Widget tests of the editor: a QApplication on the offscreen platform, settings and data
// folders in a scratch directory, and every message box, file dialog and modal dialog
// answered by the test.
#pragma once

#include "test_util.h"

#include "command_line.h"
#include "file_dialogs.h"
#include "ls_main_app.h"
#include "main_frame.h"
#include "message_box.h"
#include "modal.h"

#include <QApplication>
#include <QDialog>
#include <gtest/gtest.h>

#include <deque>

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (scratch / "data").c_str(), 1);
        settingsFile = scratch / "config/larkspan/larkspan.INI";
        std::filesystem::create_directories(scratch / "config/larkspan");
        // A path without a folder: no project name, as in a program just started.
        theProject.InitProject("");
        fw::SetMessageHook([this](const fw::MessageRequest& r) {
            messages.push_back(r);
            if (answers.empty()) return static_cast<int>(QMessageBox::Ok);
            int a = answers.front();
            answers.pop_front();
            return a;
        });
        fw::SetFileDialogHook([this](const fw::FileDialogRequest& r) {
            fileDialogs.push_back(r);
            if (fileAnswers.empty()) return QStringList();
            QStringList a = fileAnswers.front();
            fileAnswers.pop_front();
            return a;
        });
        fw::SetModalHook([this](QDialog& d) {
            dialogs.push_back(d.metaObject()->className());
            return modalAnswer ? modalAnswer(d) : static_cast<int>(QDialog::Rejected);
        });
    }

    void TearDown() override {
        theApp.ExitInstance();
        fw::SetMessageHook({});
        fw::SetFileDialogHook({});
        fw::SetModalHook({});
    }

    // Starts the editor as from the command line (no hint, no desktop registration).
    bool Start(std::vector<std::string> args = {}) {
        std::vector<const char*> argv{"larkspan"};
        for (const std::string& a : args)
            argv.push_back(a.c_str());
        larkspan::CommandLine cmd =
            larkspan::ParseCommandLine(static_cast<int>(argv.size()), argv.data());
        CLs_mainApp::Options options;
        options.showHint = withHint;
        options.registerFileTypes = false;
        bool ok = theApp.InitInstance(cmd, options);
        QApplication::processEvents();
        return ok;
    }
    CMainFrame& Frame() { return *theApp.MainFrame(); }

    testutil::TempDir scratch;
    std::string settingsFile;
    bool withHint = false;
    std::vector<fw::MessageRequest> messages;
    std::deque<int> answers;
    std::vector<fw::FileDialogRequest> fileDialogs;
    std::deque<QStringList> fileAnswers;
    std::vector<std::string> dialogs;
    std::function<int(QDialog&)> modalAnswer;
};
