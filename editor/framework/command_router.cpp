#include "command_router.h"

#include "command_table.h"
#include "context_help.h"

#include <QAction>
#include <QFile>
#include <QIcon>
#include <QWidget>

namespace fw {

CommandRouter::CommandRouter(QWidget* owner) : QObject(owner), owner_(owner) {}

QAction* CommandRouter::Action(int id) {
    auto it = actions_.find(id);
    if (it != actions_.end()) return it.value();
    auto* action = new QAction(MenuText(id), owner_);
    action->setData(id);
    action->setStatusTip(StatusPrompt(id));
    action->setToolTip(ToolTip(id));
    const QList<QKeySequence> keys = Shortcuts(id);
    if (!keys.isEmpty()) {
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    const QString icon = QStringLiteral(":/icons/cmd-%1.svg").arg(id);
    if (QFile::exists(icon)) action->setIcon(QIcon(icon));
    connect(action, &QAction::triggered, this, [this, id] {
        if (!ContextHelpTakesCommand(id)) Execute(id);
    });
    owner_->addAction(action);
    actions_.insert(id, action);
    return action;
}

bool CommandRouter::Execute(int id) {
    if (!route_) return false;
    for (CommandTarget* target : route_()) {
        if (target && target->Dispatch(id)) {
            UpdateActions();
            return true;
        }
    }
    return false;
}

CommandUi CommandRouter::State(int id) const {
    CommandUi ui;
    if (route_) {
        for (CommandTarget* target : route_()) {
            if (target && target->Update(id, ui)) return ui;
        }
    }
    ui.enabled = false;
    return ui;
}

void CommandRouter::UpdateActions() {
    if (!route_) return;
    const std::vector<CommandTarget*> targets = route_();
    for (auto it = actions_.begin(); it != actions_.end(); ++it) {
        CommandUi ui;
        bool handled = false;
        for (CommandTarget* target : targets) {
            if (target && target->Update(it.key(), ui)) {
                handled = true;
                break;
            }
        }
        QAction* action = it.value();
        action->setEnabled(handled && ui.enabled);
        action->setCheckable(handled && ui.checkable);
        if (ui.checkable) action->setChecked(ui.checked);
    }
}

} // namespace fw
