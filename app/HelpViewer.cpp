#include "app/HelpViewer.h"

#include <QTextBrowser>
#include <QUrl>

namespace tressel {

HelpViewer::HelpViewer() = default;
HelpViewer::~HelpViewer() = default;

QString HelpViewer::PageForTopic(int topic) {
    switch (topic) {
    case kHelpEffects:
        return "qrc:/help/effects.html";
    case kHelpMedianFilter:
        return "qrc:/help/median.html";
    case kHelpAmplify:
        return "qrc:/help/amplify.html";
    case kHelpMp3Encoder:
        return "qrc:/help/encoder.html";
    default:
        return "qrc:/help/main.html";
    }
}

void HelpViewer::ShowTopic(int topic) {
    if (!m_window) {
        m_window = std::make_unique<QTextBrowser>();
        m_window->setObjectName("helpViewer");
        m_window->setOpenLinks(true);
        m_window->resize(560, 520);
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
