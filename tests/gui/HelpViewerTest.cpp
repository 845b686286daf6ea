// The help viewer finds the installed help pages from the program's folder, as an installed Tressel
// does, and falls back to the pages built into the program everywhere else.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include "app/Help.h"
#include "app/HelpViewer.h"
#include "tressel/BuildInfo.h"

using tressel::HelpViewer;

class HelpViewerTest final : public QObject {
    Q_OBJECT

private slots:
    void everyTopicHasABuiltInPage() {
        const HelpViewer viewer("qrc:/help/");
        for (int topic : std::initializer_list<int>{tressel::kHelpMainWindow, tressel::kHelpEffects, tressel::kHelpMedianFilter,
                                                    tressel::kHelpAmplify, tressel::kHelpMp3Encoder, 999}) {
            QFile page(viewer.PageForTopic(topic).replace("qrc:", ":"));
            QVERIFY2(page.open(QIODevice::ReadOnly) && page.size() > 100, qPrintable(page.fileName()));
        }
    }

    void aProgramWithoutInstalledPagesUsesTheBuiltInOnes() {
        QTemporaryDir prefix;
        QVERIFY(QDir(prefix.path()).mkpath("bin"));
        QCOMPARE(HelpViewer::HelpFolderFor(prefix.filePath("bin")), QString("qrc:/help/"));
    }

    void anInstalledProgramShowsTheInstalledPages() {
        // A prefix with a space in its name: the URL must still lead to the files.
        QTemporaryDir root;
        const QString prefix = root.filePath("my prefix");
        const QString help = QDir(prefix + "/bin").filePath(tressel::kInstalledHelpFolder);
        QVERIFY(QDir().mkpath(prefix + "/bin"));
        QVERIFY(QDir().mkpath(help));
        for (const char* name : {"main.html", "median.html"}) {
            QFile page(QDir(help).filePath(name));
            QVERIFY(page.open(QIODevice::WriteOnly));
            page.write(QByteArray("<html><body>installed ") + name + "</body></html>");
        }
        const QString folder = HelpViewer::HelpFolderFor(prefix + "/bin");
        QVERIFY2(folder.startsWith("file:") && folder.endsWith("/"), qPrintable(folder));
        QVERIFY(!folder.contains(".."));

        HelpViewer viewer(folder);
        viewer.ShowTopic(tressel::kHelpMedianFilter);
        QCOMPARE(viewer.Window()->toPlainText(), QString("installed median.html"));
        viewer.ShowTopic(tressel::kHelpMainWindow);
        QCOMPARE(viewer.Window()->toPlainText(), QString("installed main.html"));
    }
};

QTEST_MAIN(HelpViewerTest)
#include "HelpViewerTest.moc"
