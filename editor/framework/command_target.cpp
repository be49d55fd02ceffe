#include "command_target.h"

namespace fw {

void CommandTarget::OnCommand(std::initializer_list<int> ids, Handler handler, Updater updater) {
    for (int id : ids)
        entries_[id] = Entry{handler, updater};
}

bool CommandTarget::Dispatch(int id) {
    auto it = entries_.find(id);
    if (it == entries_.end()) return false;
    CommandUi ui;
    if (it->second.updater) it->second.updater(ui);
    // A disabled command does nothing, even when reached by its key.
    if (ui.enabled && it->second.handler) {
        Handler h = it->second.handler; // the handler may re-register its own entry
        h();
    }
    return true;
}

bool CommandTarget::Update(int id, CommandUi& ui) const {
    auto it = entries_.find(id);
    if (it == entries_.end()) return false;
    if (it->second.updater) it->second.updater(ui);
    return true;
}

} // namespace fw
