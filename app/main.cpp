// Tressel: the application object starts the main window, runs it and ends with it.

#include <QApplication>
#include <QCommandLineParser>
#include <QEventLoop>
#include <QIcon>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "app/HelpViewer.h"
#include "app/MainDialog.h"
#include "app/QtSoundOutput.h"
#include "app/DialogUnits.h"
#include "app/QtUserDialogs.h"
#include "tressel/BuildInfo.h"

namespace {

class CApplication final : public QApplication {
public:
    CApplication(int& argc, char** argv) : QApplication(argc, argv) {
        setApplicationVersion(tressel::kVersion);
        // Ties the windows to the installed desktop entry (its icon and name in docks and task bars).
        setDesktopFileName(tressel::kDesktopFileName);
        setFont(tressel::DialogFont());
        setWindowIcon(QIcon(":/tressel.svg"));
    }

    // --help and --version print and end the program here; the files named on the command line are
    // kept, and opened once the main window can take them.
    bool ParseCommandLine() {
        QCommandLineParser parser;
        parser.setApplicationDescription("Tressel, a workbench for filtering audio.");
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addPositionalArgument("AUDIO", "A WAV or MP3 file to load at start.", "[AUDIO]");
        parser.addPositionalArgument("FILTER", "A filter file to select at start.", "[FILTER]");
        parser.process(*this);
        if (parser.positionalArguments().size() > 2) {
            std::fprintf(stderr, "%s: at most one audio file and one filter file\n",
                         qPrintable(applicationName()));
            return false;
        }
        for (const QString& file : parser.positionalArguments()) {
            m_files.push_back(file.toStdString());
        }
        return true;
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
            // From the running loop, as if they had been dropped on the window: each by what it holds.
            if (!m_files.empty()) {
                QTimer::singleShot(0, &mainDialog, [&mainDialog, this] { mainDialog.OpenFiles(m_files); });
            }
            loop.exec();
            mainDialog.Wave().SetSoundOutput(nullptr);
        }
        tressel::SetAppHelp(nullptr);
        tressel::SetAppDialogs(nullptr);
        return 0;
    }

private:
    std::vector<std::string> m_files;
};

}  // namespace

int main(int argc, char** argv) {
    CApplication application(argc, argv);
    if (!application.ParseCommandLine()) {
        return 2;
    }
    return application.Run();
}
