// Command targets: objects that handle command ids. A target registers, per id, what the
// command does and (optionally) how its menu item and button look right now. The router
// asks the targets of the active window in turn; a command no target handles is disabled.
#pragma once

#include <functional>
#include <initializer_list>
#include <unordered_map>

namespace fw {

// How a command's menu item and tool-bar button look at the moment.
struct CommandUi {
    bool enabled = true;
    bool checked = false;
    bool checkable = false;
};

class CommandTarget {
public:
    using Handler = std::function<void()>;
    using Updater = std::function<void(CommandUi&)>;

    virtual ~CommandTarget() = default;

    // Registers a handler for one or more ids (ids that behave alike share one handler).
    void OnCommand(std::initializer_list<int> ids, Handler handler, Updater updater = {});

    // Runs the handler of `id`; false when this target does not handle it.
    bool Dispatch(int id);
    // Fills `ui` for `id`; false when this target does not handle it.
    bool Update(int id, CommandUi& ui) const;

private:
    struct Entry {
        Handler handler;
        Updater updater;
    };
    std::unordered_map<int, Entry> entries_;
};

} // namespace fw
