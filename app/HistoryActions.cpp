#include "app/HistoryActions.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#include "workbench/Workbench.h"

namespace tressel {

HistoryActions::HistoryActions(QWidget* owner, Workbench& workbench)
    : QObject(owner),
      m_workbench(workbench),
      m_undo(CreateAction(owner, QStringLiteral("Undo"), QKeySequence(QStringLiteral("Ctrl+Z")), "undoAction")),
      m_redo(CreateAction(owner, QStringLiteral("Redo"), QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
                          "redoAction")) {
    connect(m_undo, &QAction::triggered, this, &HistoryActions::Undo);
    connect(m_redo, &QAction::triggered, this, &HistoryActions::Redo);
}

QAction* HistoryActions::CreateAction(QWidget* owner, const QString& text, const QKeySequence& key,
                                      const char* name) {
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    owner->addAction(action);
    return action;
}

void HistoryActions::AddTo(QMenu& menu) {
    // Entries of their own, so that disabling them leaves the window's shortcuts alone.
    const auto add = [&](QAction* action, bool possible) {
        QAction* entry = menu.addAction(action->text(), action, &QAction::trigger);
        entry->setObjectName(action->objectName() + QStringLiteral("Entry"));
        entry->setShortcut(action->shortcut());  // shown beside the entry
        entry->setEnabled(possible);
    };
    // While a command runs, the history belongs to it: not even read from here.
    add(m_undo, m_available && m_workbench.CanUndo());
    add(m_redo, m_available && m_workbench.CanRedo());
    const History* history = m_available ? m_workbench.GetHistory() : nullptr;
    if (history && history->CutShort()) {
        menu.addAction(QStringLiteral("Undo history cut short: not enough memory"))->setEnabled(false);
    }
}

void HistoryActions::SetAvailable(bool available) {
    m_available = available;
    m_undo->setEnabled(available);
    m_redo->setEnabled(available);
}

void HistoryActions::Undo() {
    if (m_available && m_workbench.Undo()) {
        emit stepped();
    }
}

void HistoryActions::Redo() {
    if (m_available && m_workbench.Redo()) {
        emit stepped();
    }
}

}  // namespace tressel
