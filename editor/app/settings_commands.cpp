#include "settings_commands.h"

#include "autotags_dialog.h"
#include "browser_settings_dialog.h"
#include "compiler_settings_dialog.h"
#include "editor_settings_dialog.h"
#include "ids.h"
#include "ls_main_app.h"
#include "ls_main_view.h"
#include "main_frame.h"
#include "message_box.h"

#include <brevic/ls_autochar.h>
#include <brevic/ls_macrobase.h>

void RegisterSettingsCommands(CLs_mainApp& app) {
    app.OnCommand({cmd::OptionsEditor}, [&app] {
        CEditorSettingsDlg dialog(app.MainFrame());
        dialog.Run();
        app.editor = dialog.values;
    });
    app.OnCommand({cmd::OptionsBrowser}, [&app] {
        CBrowserSettingsDlg dialog(app.MainFrame());
        dialog.Run();
    });
}

void RegisterCompilerCommand(CMainFrame& frame) {
    frame.OnCommand({cmd::OptionsCompiler}, [&frame] {
        CCompilerSettingsDlg dialog(&frame);
        dialog.Run();
    });
}

void RegisterAutotagCommand(CLs_mainView& view) {
    view.OnCommand({cmd::OptionsAutotag}, [&view] {
        tLS_macrobase* table = view.AutoChar() ? view.AutoChar()->GetBase() : nullptr;
        if (!table || table->LoadFailed()) {
            fw::ShowMessage(&view, str::AutocharLoadFailed, fw::MessageKind::Error);
            return;
        }
        CAutotagsDlg dialog(&view, table);
        dialog.Run();
    });
}
