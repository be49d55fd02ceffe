#include "context_help.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QToolButton>

namespace fw {

namespace {

class HelpModeFilter : public QObject {
public:
    std::function<void(int)> show;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Click(QWidget* widget, QMouseEvent* event);
};

QPointer<HelpModeFilter> g_filter;

// The command of a clickable item under the mouse, 0 when there is none.
int CommandAt(QWidget* widget, QMouseEvent* event) {
    QAction* action = nullptr;
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        action = menu->actionAt(event->position().toPoint());
        if (action && action->menu()) return -1; // a submenu opens as usual
    } else if (auto* button = qobject_cast<QToolButton*>(widget)) {
        action = button->defaultAction();
    }
    bool ok = false;
    const int id = action ? action->data().toInt(&ok) : 0;
    return ok ? id : 0;
}

void Finish(int topic) {
    std::function<void(int)> show = g_filter ? g_filter->show : nullptr;
    LeaveContextHelp();
    // Menus that are open close: the click was an answer, not a choice.
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    if (show && topic >= 0) show(topic);
}

bool HelpModeFilter::Click(QWidget* widget, QMouseEvent* event) {
    const int command = CommandAt(widget, event);
    if (command < 0) return false;
    if (command > 0) {
        Finish(kCommandHelpBase + command);
        return true;
    }
    if (qobject_cast<QMenuBar*>(widget) || qobject_cast<QMenu*>(widget)) return false; // menus open
    if (auto* dialog = qobject_cast<QDialog*>(widget->window())) {
        const int id = dialog->property("dialogId").toInt();
        Finish(id > 0 ? kDialogHelpBase + id : 0);
        return true;
    }
    Finish(-1);
    return true;
}

bool HelpModeFilter::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        // Presses on menus open and track them; the item is taken on release.
        if (widget && !qobject_cast<QMenu*>(widget) && !qobject_cast<QMenuBar*>(widget))
            return Click(widget, static_cast<QMouseEvent*>(event));
        return false;
    case QEvent::MouseButtonRelease:
        if (qobject_cast<QMenu*>(widget)) return Click(widget, static_cast<QMouseEvent*>(event));
        return qobject_cast<QToolButton*>(widget) != nullptr;
    case QEvent::MouseButtonDblClick:
        return widget != nullptr;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            Finish(-1);
            return true;
        }
        return false;
    case QEvent::ApplicationDeactivate:
        Finish(-1);
        return false;
    default:
        return false;
    }
}

} // namespace

void EnterContextHelp(std::function<void(int topic)> show) {
    if (!g_filter) {
        g_filter = new HelpModeFilter;
        g_filter->setParent(qApp);
        qApp->installEventFilter(g_filter);
        QApplication::setOverrideCursor(Qt::WhatsThisCursor);
    }
    g_filter->show = std::move(show);
}

bool InContextHelp() {
    return g_filter != nullptr;
}

void LeaveContextHelp() {
    if (!g_filter) return;
    qApp->removeEventFilter(g_filter);
    g_filter->deleteLater();
    g_filter = nullptr;
    QApplication::restoreOverrideCursor();
}

bool ContextHelpTakesCommand(int id) {
    if (!g_filter) return false;
    Finish(kCommandHelpBase + id);
    return true;
}

} // namespace fw
