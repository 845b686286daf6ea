// The "Wave View" window on the offscreen platform: what it draws, and how the wheel, the keys and the
// mouse move the picture.

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <memory>
#include <vector>

#include "app/WaveViewPainter.h"
#include "app/WaveViewWindow.h"
#include "tests/gui/support/WindowTestSupport.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

// `seconds` of a 100 Hz tone at 8 kHz, the right channel at half the level of the left.
std::shared_ptr<const WaveSamples> Tone(double seconds, double level, int channels = 2) {
    const int frames = static_cast<int>(seconds * 8000);
    std::vector<std::uint8_t> bytes;
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            const auto value = static_cast<std::int16_t>(level / (c + 1) * std::sin(2 * M_PI * 100 * f / 8000.0));
            bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(value) & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(value) >> 8));
        }
    }
    return WaveSamples::FromInterleaved(bytes.data(), bytes.size(), channels, 16, 8000);
}

}  // namespace

class WaveViewWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ScratchDir> m_scratch;
    std::unique_ptr<WaveViewWindow> m_window;

    QImage Grab() const { return m_window->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    WaveViewColours Colours() const { return WaveViewColours::FromPalette(m_window->palette()); }
    void Key(Qt::Key key) { QTest::keyClick(m_window.get(), key); }
    void Wheel(QPoint at, int notches) {
        QWheelEvent event(at, m_window->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_window.get(), &event);
    }
    // The column where the plot area starts.
    int PlotLeft() const { return WaveViewPainter::PlotArea(m_window->size()).left(); }

private slots:
    void init() {
        m_scratch = std::make_unique<ScratchDir>();
        UseScratchSettings(*m_scratch);
        m_window = std::make_unique<WaveViewWindow>();
        m_window->show();
    }
    void cleanup() {
        m_window.reset();
        m_scratch.reset();
    }

    void drawsEachChannelsEnvelopeWithTheStateBeforeFaintlyBehind() {
        QCOMPARE(m_window->windowTitle(), QString("Wave View"));
        QCOMPARE(CountPixels(Grab(), Colours().wave), 0);  // nothing loaded

        m_window->SetSamples(Tone(2.0, 8000));
        const WaveViewport& view = m_window->Viewport();
        QCOMPARE(view.FirstFrame(), 0.0);
        QCOMPARE(view.FrameAt(view.Width()), 16000.0);  // the whole wave
        QImage image = Grab();
        const QRect plot = WaveViewPainter::PlotArea(m_window->size());
        for (int c = 0; c < 2; ++c) {
            // A tone of 8000 (channel 1) or 4000 (channel 2) of 32768 reaches that share of the half band.
            const QRect band = WaveViewPainter::Band(plot, c, 2);
            int top = band.bottom();
            for (int y = band.top(); y <= band.bottom(); ++y) {
                for (int x = band.left(); x <= band.right(); ++x) {
                    if (image.pixel(x, y) == Colours().wave.rgb()) {
                        top = std::min(top, y);
                    }
                }
            }
            const double half = band.height() / 2.0;
            const double expected = band.top() + half - (8000.0 / (c + 1) / 32768) * (half - 1);
            QVERIFY2(std::fabs(top - expected) <= 1.5,
                     qPrintable(QString("channel %1: %2 vs %3").arg(c).arg(top).arg(expected)));
        }
        QCOMPARE(CountPixels(image, Colours().beforeWave), 0);

        // A louder state before: its envelope shows where the current one does not reach.
        m_window->SetBeforeSamples(Tone(2.0, 20000));
        image = Grab();
        QVERIFY(CountPixels(image, Colours().beforeWave) > 500);
        QVERIFY(CountPixels(image, Colours().wave) > 500);
        m_window->SetBeforeSamples(nullptr);
        QCOMPARE(CountPixels(Grab(), Colours().beforeWave), 0);
    }

    void theWheelAndPlusMinusZoomAndKeysAndDraggingScroll() {
        m_window->SetSamples(Tone(10.0, 8000));
        const WaveViewport& view = m_window->Viewport();
        const double whole = view.FramesPerPixel();

        // The wheel zooms in about the pointer: the frame under it stays there.
        const QPoint at(PlotLeft() + 100, 60);
        const double under = view.FrameAt(100);
        Wheel(at, 2);
        QCOMPARE(view.FramesPerPixel(), whole / 2.25);
        QVERIFY(std::fabs(view.FrameAt(100) - under) < 1e-6);
        Wheel(at, -2);
        QCOMPARE(view.FramesPerPixel(), whole);  // and out again, no further than the whole wave
        Wheel(at, -3);
        QCOMPARE(view.FramesPerPixel(), whole);

        Key(Qt::Key_Plus);
        Key(Qt::Key_Plus);
        QCOMPARE(view.FramesPerPixel(), whole / 2.25);
        Key(Qt::Key_Minus);
        QCOMPARE(view.FramesPerPixel(), whole / 1.5);

        // Arrows move by a tenth of the picture, Home and End go to the ends.
        Key(Qt::Key_Home);
        QCOMPARE(view.FirstFrame(), 0.0);
        Key(Qt::Key_Right);
        QVERIFY(std::fabs(view.FirstFrame() - 0.1 * view.Width() * view.FramesPerPixel()) < 1e-6);
        Key(Qt::Key_Left);
        QCOMPARE(view.FirstFrame(), 0.0);
        Key(Qt::Key_Left);
        QCOMPARE(view.FirstFrame(), 0.0);  // never before the start
        Key(Qt::Key_End);
        QVERIFY(std::fabs(view.FrameAt(view.Width()) - 80000) < 1e-6);

        // Dragging to the right shows what lies to the left, as far as the pointer went.
        const double before = view.FirstFrame();
        QTest::mousePress(m_window.get(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 60));
        QMouseEvent move(QEvent::MouseMove, QPointF(340, 60), m_window->mapToGlobal(QPointF(340, 60)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_window.get(), &move);
        QTest::mouseRelease(m_window.get(), Qt::LeftButton, Qt::NoModifier, QPoint(340, 60));
        QVERIFY(std::fabs(view.FirstFrame() - (before - 40 * view.FramesPerPixel())) < 1e-6);

        // Zoomed in to the samples, they are joined one by one.
        for (int i = 0; i < 40; ++i) {
            Key(Qt::Key_Plus);
        }
        QCOMPARE(view.FramesPerPixel(), WaveViewport::kMinimumFramesPerPixel);
        QVERIFY(CountPixels(Grab(), Colours().wave) > 100);

        // A wave of another length is shown whole; a command that keeps the length keeps the stretch.
        const double first = view.FirstFrame();
        m_window->SetSamples(Tone(10.0, 4000));
        QCOMPARE(view.FirstFrame(), first);
        m_window->SetSamples(Tone(3.0, 4000));
        QCOMPARE(view.FirstFrame(), 0.0);
        QCOMPARE(view.FrameAt(view.Width()), 24000.0);
    }

    void thePlayPositionIsMarkedAndKeptInView() {
        m_window->SetSamples(Tone(10.0, 8000, 1));
        m_window->SetPlayPosition(5.0);
        QCOMPARE(*m_window->PlayFrame(), 40000.0);
        const int x = PlotLeft() + static_cast<int>(m_window->Viewport().ColumnOf(40000));
        QImage image = Grab();
        const QRect plot = WaveViewPainter::PlotArea(m_window->size());
        QCOMPARE(image.pixel(x, plot.top() + 3), Colours().playPosition.rgb());

        // Zoomed in at the start, a position beyond the picture brings the picture along.
        for (int i = 0; i < 6; ++i) {
            Key(Qt::Key_Plus);
        }
        Key(Qt::Key_Home);
        m_window->SetPlayPosition(9.0);
        const WaveViewport& view = m_window->Viewport();
        QVERIFY(view.FirstFrame() <= 72000 && 72000 < view.FrameAt(view.Width()));
        m_window->ClearPlayPosition();
        QVERIFY(!m_window->PlayFrame());
        QCOMPARE(CountPixels(Grab(), Colours().playPosition), 0);
    }

    void sizeAndPlaceAreRememberedAndClosingIsAnnounced() {
        m_window->setGeometry(QRect(210, 130, 700, 350));
        const QRect placed = m_window->geometry();
        QSignalSpy closed(m_window.get(), &WaveViewWindow::closedByUser);
        m_window->close();
        QCOMPARE(closed.count(), 1);
        m_window.reset();
        m_window = std::make_unique<WaveViewWindow>();
        QCOMPARE(m_window->geometry(), placed);
    }
};

QTEST_MAIN(WaveViewWindowTest)
#include "WaveViewWindowTest.moc"
