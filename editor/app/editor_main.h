// The editor's entry point, in the shared module the program loads only when it opens a
// window: a command-line build never loads Qt.
#pragma once

// The name the program looks the entry point up by.
#define LARKSPAN_EDITOR_ENTRY "larkspan_run_editor"

extern "C" {
// Runs the editor with the program's arguments; returns the exit status.
using tLarkspanEditorEntry = int (*)(int argc, char** argv);
__attribute__((visibility("default"))) int larkspan_run_editor(int argc, char** argv);
}
