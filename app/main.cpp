// Tressel: the application object starts the main window, runs it and ends with it.

#include <QApplication>
#include <QEventLoop>
#include <QIcon>

#include "app/HelpViewer.h"
#include "app/MainDialog.h"
#include "app/QtSoundOutput.h"
#include "app/DialogUnits.h"
#include "app/QtUserDialogs.h"

namespace {

class CApplication final : public QApplication {
public:
    CApplication(int& argc, char** argv) : QApplication(argc, argv) {
        setFont(tressel::DialogFont());
        setWindowIcon(QIcon(":/tressel.svg"));
    }

    // The start-up hook: the program runs for as long as the main window does.
    int Run() {
        tressel::QtUserDialogs dialogs;
        tressel::HelpViewer help;
        tressel::QtSoundOutput sound;
        tressel::SetAppDialogs(&dialogs);
        tressel::SetAppHelp(&help);
        {
            CMainDialog mainDialog;
            mainDialog.Wave().SetSoundOutput(&sound);
            // A loop of our own rather than exec(): the window hides while it imports an MP3 file, and
            // hiding a dialog ends its exec() loop.
            QEventLoop loop;
            QObject::connect(&mainDialog, &QDialog::finished, &loop, &QEventLoop::quit);
            mainDialog.show();
            loop.exec();
            mainDialog.Wave().SetSoundOutput(nullptr);
        }
        tressel::SetAppHelp(nullptr);
        tressel::SetAppDialogs(nullptr);
        return 0;
    }
};

}  // namespace

int main(int argc, char** argv) {
    CApplication application(argc, argv);
    return application.Run();
}
