#pragma once
// Small aids shared by the window tests.

#include <QWidget>
#include <vector>

#include "app/Help.h"

namespace tressel::testing {

// Records the help topics the windows ask for instead of opening the viewer.
class RecordingHelp final : public HelpService {
public:
    void ShowTopic(int topic) override { topics.push_back(topic); }
    void Quit() override {}
    std::vector<int> topics;
};

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
