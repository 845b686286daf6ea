#pragma once
// Small aids shared by the window tests.

#include <QAction>
#include <QApplication>
#include <QColor>
#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QStringList>
#include <QUrl>
#include <QRect>
#include <QSettings>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

#include "app/Help.h"
#include "tests/support/WaveBuilder.h"

namespace tressel::testing {

// Records the help topics the windows ask for instead of opening the viewer.
class RecordingHelp final : public HelpService {
public:
    void ShowTopic(int topic) override { topics.push_back(topic); }
    void Quit() override {}
    std::vector<int> topics;
};

// Points the per-user settings store into `scratch`, so a test neither reads nor changes the user's own
// (remembered file names, window places and options).
inline void UseScratchSettings(const ScratchDir& scratch) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(scratch.File("config")));
}

// Pixels of exactly `colour` inside `area` (the whole image when none is given).
inline int CountPixels(const QImage& image, QColor colour, QRect area = QRect()) {
    const QRgb wanted = colour.rgb();
    area = area.isNull() ? image.rect() : area.intersected(image.rect());
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += image.pixel(x, y) == wanted ? 1 : 0;
        }
    }
    return count;
}

// A named control of a window; a missing one ends the test at once with its name.
template <typename T>
T* Child(QWidget* parent, const char* name) {
    auto* child = parent->findChild<T*>(name);
    if (!child) {
        qFatal("control %s missing", name);
    }
    return child;
}

// Runs `interact` on the modal dialog that `open` brings up, then lets `open` return.
inline void WithModal(const std::function<void()>& open, const std::function<void(QWidget*)>& interact) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        seen = modal != nullptr;
        if (modal) {
            interact(modal);
            if (modal->isVisible()) {
                modal->close();
            }
        }
    });
    open();
    QVERIFY(seen);
}

// Opens the window's context menu with a right click and chooses the entry with that text when it is
// enabled. Answers whether it was there and enabled.
inline bool ChooseFromContextMenu(QWidget* window, const QString& text) {
    bool chosen = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) {
            return;
        }
        for (QAction* action : menu->actions()) {
            if (action->text() == text && action->isEnabled()) {
                chosen = true;
                menu->close();
                action->trigger();
                return;
            }
        }
        menu->close();
    });
    const QPoint inside(10, 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, inside, window->mapToGlobal(inside));
    QApplication::sendEvent(window, &event);
    return chosen;
}

// Opens the window's context menu and its submenu titled `submenu`: answers the texts of the submenu's
// entries (none when the submenu is disabled) and triggers entry `choose`, if given, after `beforeChoosing`.
inline QStringList ContextSubmenu(QWidget* window, const QString& submenu, int choose = -1,
                                  const std::function<void()>& beforeChoosing = {}) {
    QStringList texts;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) {
            return;
        }
        QAction* chosen = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->text() == submenu && action->menu() && action->isEnabled()) {
                const QList<QAction*> entries = action->menu()->actions();
                for (QAction* entry : entries) {
                    texts.push_back(entry->text());
                }
                chosen = choose >= 0 && choose < entries.size() ? entries[choose] : nullptr;
            }
        }
        menu->close();
        if (chosen) {
            if (beforeChoosing) {
                beforeChoosing();
            }
            chosen->trigger();
        }
    });
    const QPoint inside(10, 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, inside, window->mapToGlobal(inside));
    QApplication::sendEvent(window, &event);
    return texts;
}

// Drags `urls` over the window and drops them; answers whether the window took the drag.
inline bool DropUrls(QWidget* window, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint inside(10, 10);
    QDragEnterEvent enter(inside, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(QPointF(inside), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    return drop.isAccepted();
}

// The entries of the window's context menu as a right click shows them: text, and whether enabled.
inline std::vector<std::pair<QString, bool>> ContextMenuEntries(QWidget* window) {
    std::vector<std::pair<QString, bool>> entries;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator()) {
                    entries.emplace_back(action->text(), action->isEnabled());
                }
            }
            menu->close();
        }
    });
    const QPoint inside(10, 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, inside, window->mapToGlobal(inside));
    QApplication::sendEvent(window, &event);
    return entries;
}

}  // namespace tressel::testing
