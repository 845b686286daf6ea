// Tressel: the application object starts the main window, runs it modally and ends with it.

#include <QApplication>
#include <QFont>
#include <QIcon>

#include "app/HelpViewer.h"
#include "app/MainDialog.h"
#include "app/QtSoundOutput.h"
#include "app/QtUserDialogs.h"

namespace {

class CApplication final : public QApplication {
public:
    CApplication(int& argc, char** argv) : QApplication(argc, argv) {
        // The dialog templates are laid out for an 8-point sans-serif face.
        QFont font("MS Sans Serif");
        font.setStyleHint(QFont::SansSerif);
        font.setPointSize(8);
        setFont(font);
        setWindowIcon(QIcon(":/tressel.svg"));
    }

    // The start-up hook: there is no loop of our own beyond the main window's modal run.
    int Run() {
        tressel::QtUserDialogs dialogs;
        tressel::HelpViewer help;
        tressel::QtSoundOutput sound;
        tressel::SetAppDialogs(&dialogs);
        tressel::SetAppHelp(&help);
        {
            CMainDialog mainDialog;
            mainDialog.Wave().SetSoundOutput(&sound);
            mainDialog.exec();
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
