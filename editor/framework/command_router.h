// Routes command ids to the targets of the moment (active view, active document, main
// frame, application, in that order) and keeps one QAction per id whose enabled and
// checked state follow the targets' update handlers.
#pragma once

#include "command_target.h"

#include <QHash>
#include <QObject>
#include <functional>
#include <vector>

class QAction;
class QWidget;

namespace fw {

class CommandRouter : public QObject {
    Q_OBJECT
public:
    using Route = std::function<std::vector<CommandTarget*>()>;

    // Actions are added to `owner`, so that their keys work in all its child windows.
    explicit CommandRouter(QWidget* owner);

    void SetRoute(Route route) { route_ = std::move(route); }

    // The action of `id`, created on first use with its menu text, prompt, tool tip, keys
    // and icon.
    QAction* Action(int id);
    // Runs `id` on the first target that handles it; false when none does.
    bool Execute(int id);
    // The current look of `id`; disabled when no target handles it.
    CommandUi State(int id) const;
    // Refreshes every action's enabled and checked state.
    void UpdateActions();

private:
    QWidget* owner_;
    Route route_;
    QHash<int, QAction*> actions_;
};

} // namespace fw
