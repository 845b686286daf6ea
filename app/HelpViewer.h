#pragma once
// The help window: shows the page of a context topic. An installed program shows the installed pages,
// the ones its package ships; a program run from the build tree, or moved away from its data, shows the
// copy built into it.

#include <QCoreApplication>
#include <QString>
#include <memory>

#include "app/Help.h"

class QTextBrowser;

namespace tressel {

class HelpViewer final : public HelpService {
public:
    // helpFolder: a URL ending in "/", as HelpFolderFor gives it.
    explicit HelpViewer(QString helpFolder = HelpFolderFor(QCoreApplication::applicationDirPath()));
    ~HelpViewer() override;
    void ShowTopic(int topic) override;
    void Quit() override;

    // The page of a topic ("main.html" for 1) in the help folder; the main page for unknown topics.
    QString PageForTopic(int topic) const;
    // The folder of the help pages as a URL ending in "/": the installed pages when the folder
    // programFolder/kInstalledHelpFolder holds them, otherwise "qrc:/help/".
    static QString HelpFolderFor(const QString& programFolder);
    QTextBrowser* Window() const { return m_window.get(); }
    int CurrentTopic() const { return m_topic; }

private:
    QString m_helpFolder;
    std::unique_ptr<QTextBrowser> m_window;
    int m_topic = 0;
};

}  // namespace tressel
