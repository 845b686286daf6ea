#pragma once
// Keyboard shortcuts for a window's push buttons: the key clicks the button, so it runs the button's own
// handler, and the button's tooltip names the key. The button's text stays as it is.

#include <QKeySequence>
#include <functional>

class QAbstractButton;
class QShortcut;
class QWidget;

namespace tressel {

// `key` anywhere in the button's window clicks the button.
QShortcut* AddButtonShortcut(QAbstractButton* button, const QKeySequence& key);
// `key` anywhere in `window` runs `handler`; the tooltips of `buttons` name the key.
QShortcut* AddWindowShortcut(QWidget* window, const QKeySequence& key, const std::function<void()>& handler);
// "Load Audio (Ctrl+O)": the button's text without its mnemonic, and the key as this desktop writes it.
void NameKeyInTooltip(QAbstractButton* button, const QKeySequence& key);

}  // namespace tressel
