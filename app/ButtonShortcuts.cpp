#include "app/ButtonShortcuts.h"

#include <QAbstractButton>
#include <QShortcut>

namespace tressel {

QShortcut* AddWindowShortcut(QWidget* window, const QKeySequence& key, const std::function<void()>& handler) {
    auto* shortcut = new QShortcut(key, window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window, handler);
    return shortcut;
}

QShortcut* AddButtonShortcut(QAbstractButton* button, const QKeySequence& key) {
    NameKeyInTooltip(button, key);
    return AddWindowShortcut(button->window(), key, [button] { button->click(); });
}

void NameKeyInTooltip(QAbstractButton* button, const QKeySequence& key) {
    QString text = button->text();
    text.remove('&');
    button->setToolTip(text + " (" + key.toString(QKeySequence::NativeText) + ")");
}

}  // namespace tressel
