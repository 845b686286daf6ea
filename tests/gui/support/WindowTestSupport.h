#pragma once
// Small aids shared by the window tests.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSettings>
#include <QString>
#include <QWidget>
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

}  // namespace tressel::testing
