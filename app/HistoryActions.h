#pragma once
// "Undo" and "Redo" of the main window: Ctrl+Z and Ctrl+Shift+Z anywhere in it, and the two entries of its
// context menu. They step the workbench's history; the owner refreshes its displays on `stepped`.

#include <QObject>

class QAction;
class QMenu;
class QWidget;

namespace tressel {

class Workbench;

class HistoryActions : public QObject {
    Q_OBJECT
public:
    // `workbench` is the owner's and must outlive the actions.
    HistoryActions(QWidget* owner, Workbench& workbench);

    // The two entries, enabled as far as there is a step to take, and a word when the history was cut short.
    void AddTo(QMenu& menu);
    // Whether the shortcuts and entries may start a step at all (not while another command runs).
    void SetAvailable(bool available);

    QAction* UndoAction() const { return m_undo; }
    QAction* RedoAction() const { return m_redo; }

public slots:
    void Undo();
    void Redo();

signals:
    // The samples went back (forward) to another state.
    void stepped();

private:
    QAction* CreateAction(QWidget* owner, const QString& text, const QKeySequence& key, const char* name);

    Workbench& m_workbench;
    QAction* m_undo;
    QAction* m_redo;
    bool m_available = true;
};

}  // namespace tressel
