// The Prism Data window on the offscreen platform: its frame, and what its paint puts on the screen.

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <memory>
#include <vector>

#include "spectrum/FilterResponse.h"
#include "spectrum/PrismDataWindow.h"

using namespace tressel;

namespace {

// Pixels of exactly `colour` inside `area`.
int CountPixels(const QImage& image, QColor colour, QRect area) {
    const QRgb wanted = colour.rgb();
    int count = 0;
    area = area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += image.pixel(x, y) == wanted ? 1 : 0;
        }
    }
    return count;
}

}  // namespace

class PrismDataWindowTest : public QObject {
    Q_OBJECT

private:
    std::vector<double> m_real = std::vector<double>(kSpectrumSize, 0.0);
    std::vector<double> m_imag = std::vector<double>(kSpectrumSize, 0.0);
    std::unique_ptr<CPrismDataWindow> m_window;

    QColor Ink() const { return m_window->palette().color(QPalette::WindowText); }
    QImage Grab() const { return m_window->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // The layout follows the outer rectangle, frame included, as the plot's proportions assume.
    void ResizeOuter(int width, int height) {
        m_window->resize(QSize(width, height) - (m_window->frameGeometry().size() - m_window->size()));
    }

    // An 8-tap moving average: a low-pass with zeros, so both bands have shape.
    void ShowMovingAverage() {
        const std::vector<double> taps(8, 0.125);
        ComputeFilterResponse(taps.data(), 8, m_real.data(), m_imag.data());
        ShowFilterResponse(*m_window, m_real.data(), m_imag.data());
    }

private slots:
    void init() { m_window.reset(CreatePrismDataWindow(kFilterWindowPlacement, nullptr)); }
    void cleanup() { m_window.reset(); }

    void isAResizableTopLevelWindowWithoutACloseButton() {
        QCOMPARE(m_window->windowTitle(), QString("Prism Data - Filter Frequency"));
        QCOMPARE(QString(m_window->metaObject()->className()), QString("CPrismDataWindow"));
        QVERIFY(m_window->isWindow());
        QVERIFY(m_window->isVisible());
        const Qt::WindowFlags flags = m_window->windowFlags();
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowMaximizeButtonHint);
        QVERIFY(flags & Qt::CustomizeWindowHint);
        QVERIFY(!(flags & Qt::WindowCloseButtonHint));
        QVERIFY(m_window->minimumSize() != m_window->maximumSize());
        QCOMPARE(m_window->frameGeometry(), QRect(50, 50, 350, 250));

        std::unique_ptr<CPrismDataWindow> audio(CreatePrismDataWindow(kAudioWindowPlacement, nullptr));
        QCOMPARE(audio->windowTitle(), QString("Prism Data - Audio Frequency"));
        QCOMPARE(audio->frameGeometry(), QRect(100, 100, 350, 250));
    }

    void showingAFilterResponseSetsItsCurvesAndConfiguration() {
        ShowMovingAverage();
        const CPrismPlot& plot = m_window->Plot();
        QCOMPARE(plot.GetCount(), 1024);
        QCOMPARE(plot.GetConfiguration().displayMode1, int(Magnitude));
        QCOMPARE(plot.GetConfiguration().displayMode2, int(Phase));
        QCOMPARE(plot.GetCurve(0)[0], 20 * std::log10(1.0 + 1e-12));  // unit gain at DC
        QCOMPARE(plot.GetCurve(0)[256], 20 * std::log10(std::hypot(m_real[256], m_imag[256]) + 1e-12));  // a zero
        QVERIFY(plot.GetCurve(0)[256] < -200);
        QCOMPARE(plot.GetCurve(1)[5], std::atan2(m_imag[5], m_real[5]));
    }

    void paintingDrawsAxesCurvesAndLabelsInTheTextColour() {
        ShowMovingAverage();
        const QImage image = Grab();
        QCOMPARE(image.size(), m_window->size());
        const PrismScene scene = m_window->Plot().BuildScene(350, 250);
        QVERIFY(scene.complete);
        const PrismLayout& layout = scene.layout;
        for (const PrismBand& band : layout.bands) {
            // The value axis runs the whole band; the curve leaves marks right of it.
            QCOMPARE(CountPixels(image, Ink(), QRect(layout.left, band.top, 1, band.bottom - band.top + 1)),
                     band.bottom - band.top + 1);
            QVERIFY(CountPixels(image, Ink(), QRect(layout.left + 3, band.top, layout.right - layout.left - 3,
                                                    band.bottom - band.top)) > 300);
        }
        // The painter draws the scene's curves: after the bands' axes come 1024 segments per band, whose
        // starting points must carry ink (sampled; grid lines alone would not pass at every one).
        const std::size_t firstSegment = 2 * layout.bands.size();
        for (std::size_t i = firstSegment; i < firstSegment + 1024 * layout.bands.size(); i += 37) {
            const PrismLine& line = scene.items[i].line;
            QCOMPARE(image.pixel(line.x1, line.y1), Ink().rgb());
        }
        // Value labels sit left of the axes (their glyphs may be smoothed, so any non-background pixel counts).
        const QImage leftMargin = image.copy(0, 0, layout.left - 3, 250);
        int marked = 0;
        const QRgb background = m_window->palette().color(QPalette::Window).rgb();
        for (int y = 0; y < leftMargin.height(); ++y) {
            for (int x = 0; x < leftMargin.width(); ++x) {
                marked += leftMargin.pixel(x, y) != background ? 1 : 0;
            }
        }
        QVERIFY(marked > 50);
    }

    void nothingButTheBackgroundWhenTooSmallOrBothCurvesHidden() {
        ShowMovingAverage();
        m_window->Configure(0, 0.5, Hidden, Hidden, 0, 1, 0, 0, 1023, 0, 0, 0, 0);
        m_window->UpdateCurves();
        QCOMPARE(CountPixels(Grab(), Ink(), QRect(0, 0, 350, 250)), 0);

        ShowMovingAverage();
        ResizeOuter(99, 250);
        QCOMPARE(CountPixels(Grab(), Ink(), QRect(0, 0, 350, 250)), 0);
        ResizeOuter(350, 149);
        QCOMPARE(CountPixels(Grab(), Ink(), QRect(0, 0, 350, 250)), 0);
        ResizeOuter(350, 150);
        QVERIFY(CountPixels(Grab(), Ink(), QRect(0, 0, 350, 250)) > 0);
    }

    void closingTheWindowDirectlyIsAnnounced() {
        QSignalSpy closed(m_window.get(), &CPrismDataWindow::closedByUser);
        m_window->close();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!m_window->isVisible());
    }
};

QTEST_MAIN(PrismDataWindowTest)
#include "PrismDataWindowTest.moc"
