#pragma once
// The main window on its own, shown, over the shared start of a window test (scratch folder and settings
// store, scripted dialogs, recording help). Building one gives every main-window test the same start;
// dropping it tears everything down in the right order.

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/MainDialog.h"
#include "tests/gui/support/DialogHarness.h"

namespace tressel::testing {

class MainWindowHarness : public DialogHarness {
public:
    MainWindowHarness() { OpenWindow(); }
    ~MainWindowHarness() {
        window.reset();  // before the dialogs and the help it reports to
    }
    MainWindowHarness(const MainWindowHarness&) = delete;
    MainWindowHarness& operator=(const MainWindowHarness&) = delete;

    // A new window over the same store, as after a restart.
    void OpenWindow() {
        window.reset();
        window = std::make_unique<CMainDialog>();
        window->show();
    }

    template <typename T = QPushButton>
    T* Control(const char* name) {
        return Child<T>(window.get(), name);
    }
    // Any button of the window, check boxes too.
    void Click(const char* name) { QTest::mouseClick(Control<QAbstractButton>(name), Qt::LeftButton); }
    QString Text(const char* name) { return Control<QLabel>(name)->text(); }

    void LoadAudio(const std::string& path) {
        dialogs.Answer(path);
        Click("loadAudioButton");
    }
    void SelectFilter(const std::string& path) {
        dialogs.Answer(path);
        Click("selectFilterButton");
    }
    // The whole file image of the audio in hand, header and all.
    std::vector<std::uint8_t> Image() const {
        const CWave& wave = window->Wave();
        return {wave.GetImage(), wave.GetImage() + wave.GetImageLength()};
    }

    std::unique_ptr<CMainDialog> window;
};

}  // namespace tressel::testing
