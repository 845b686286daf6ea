#include "app/HelpViewer.h"

#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <utility>

#include "tressel/BuildInfo.h"

namespace tressel {

HelpViewer::HelpViewer(QString helpFolder) : m_helpFolder(std::move(helpFolder)) {}
HelpViewer::~HelpViewer() = default;

namespace {

QString PageNameForTopic(int topic) {
    switch (topic) {
    case kHelpEffects:
        return "effects.html";
    case kHelpMedianFilter:
        return "median.html";
    case kHelpAmplify:
        return "amplify.html";
    case kHelpMp3Encoder:
        return "encoder.html";
    default:
        return "main.html";
    }
}

}  // namespace

QString HelpViewer::HelpFolderFor(const QString& programFolder) {
    const QDir installed(QDir(programFolder).filePath(kInstalledHelpFolder));
    if (QFileInfo(installed.filePath("main.html")).isFile()) {
        return QUrl::fromLocalFile(installed.absolutePath() + "/").toString(QUrl::FullyEncoded);
    }
    return "qrc:/help/";
}

QString HelpViewer::PageForTopic(int topic) const {
    return m_helpFolder + PageNameForTopic(topic);
}

void HelpViewer::ShowTopic(int topic) {
    if (!m_window) {
        m_window = std::make_unique<QTextBrowser>();
        m_window->setObjectName("helpViewer");
        m_window->setOpenLinks(true);
        m_window->resize(560, 520);
        auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), m_window.get());
        QObject::connect(close, &QShortcut::activated, m_window.get(), &QWidget::close);
    }
    m_topic = topic;
    m_window->setSource(QUrl(PageForTopic(topic)));
    m_window->setWindowTitle("Tressel Help - " + m_window->documentTitle());
    m_window->show();
    m_window->raise();
}

void HelpViewer::Quit() {
    m_window.reset();
    m_topic = 0;
}

}  // namespace tressel
