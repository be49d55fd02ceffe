#include "command_router.h"

#include "command_table.h"
#include "context_help.h"

#include <QAction>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace fw {

namespace {
// The command's picture; its disabled form is a pale grey copy, so that a greyed button
// is told apart at a glance (the style's own disabled form of coloured line art hardly
// differs from it).
QIcon CommandIcon(const QString& file) {
    const QIcon source(file);
    QIcon icon;
    for (int size : {16, 24, 32}) {
        const QPixmap normal = source.pixmap(size, size);
        icon.addPixmap(normal, QIcon::Normal);
        QImage image = normal.toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                // Light grey at a third of the strength.
                const int grey = 160 + qGray(line[x]) * 80 / 255;
                line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) * 2 / 5);
            }
        }
        icon.addPixmap(QPixmap::fromImage(image), QIcon::Disabled);
    }
    return icon;
}
} // namespace

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
    if (QFile::exists(icon)) action->setIcon(CommandIcon(icon));
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
