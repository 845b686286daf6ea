// The Prism Data window on the offscreen platform: its frame, what its paint puts on the screen, the
// options of its context menu, the read-out and the files it saves.

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <vector>

#include "spectrum/FilterResponse.h"
#include "spectrum/PrismDataWindow.h"
#include "spectrum/PrismPlotPainter.h"
#include "tests/gui/support/DialogHarness.h"
#include "tests/gui/support/WindowTestSupport.h"
#include "tests/support/FileLimits.h"

using namespace tressel;
using namespace tressel::testing;

namespace {

std::vector<std::string> Lines(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::string> lines;
    std::istringstream stream(std::string(bytes.begin(), bytes.end()));
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<double> Fields(const std::string& line) {
    std::vector<double> fields;
    std::istringstream stream(line);
    for (std::string field; std::getline(stream, field, ',');) {
        fields.push_back(std::strtod(field.c_str(), nullptr));
    }
    return fields;
}

std::vector<std::string> TextsOf(const PrismScene& scene) {
    std::vector<std::string> texts;
    for (const PrismDrawItem& item : scene.items) {
        if (item.kind == PrismDrawItem::Text) {
            texts.push_back(item.text);
        }
    }
    return texts;
}

}  // namespace

class PrismDataWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DialogHarness> m_h;
    std::vector<double> m_real = std::vector<double>(kSpectrumSize, 0.0);
    std::vector<double> m_imag = std::vector<double>(kSpectrumSize, 0.0);
    std::unique_ptr<CPrismDataWindow> m_window;

    QColor Ink() const { return m_window->palette().color(QPalette::WindowText); }
    QImage Grab() const { return m_window->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // The layout follows the outer rectangle, frame included, as the plot's proportions assume.
    void ResizeOuter(int width, int height) {
        m_window->resize(QSize(width, height) - (m_window->frameGeometry().size() - m_window->size()));
    }
    QAction* Action(CPrismDataWindow& window, const char* name) {
        auto* action = window.findChild<QAction*>(name);
        if (!action) {
            qFatal("action %s missing", name);
        }
        return action;
    }

    // An 8-tap moving average: a low-pass with zeros, so both bands have shape.
    void ShowMovingAverage(double sampleRate = 0.0) {
        const std::vector<double> taps(8, 0.125);
        ComputeFilterResponse(taps.data(), 8, m_real.data(), m_imag.data());
        ShowFilterResponse(*m_window, m_real.data(), m_imag.data(), sampleRate);
    }
    // An audio window with two channels and, before them, two others.
    std::unique_ptr<CPrismDataWindow> AudioWindowWithBefore() {
        std::unique_ptr<CPrismDataWindow> audio(CreatePrismDataWindow(kAudioWindowPlacement, nullptr));
        std::vector<double> first(kSpectrumBins);
        std::vector<double> second(kSpectrumBins);
        for (int k = 0; k < kSpectrumBins; ++k) {
            first[k] = 1000.0 / (1 + k);
            second[k] = 10.0 + k % 50;
        }
        ShowAudioSpectrum(*audio, first.data(), second.data(), 2, 22050);
        std::vector<double> louder(kSpectrumBins);
        for (int k = 0; k < kSpectrumBins; ++k) {
            louder[k] = 3000.0 / (1 + k);
        }
        audio->SetBeforeData(louder.data(), louder.data(), kSpectrumBins);
        return audio;
    }
    std::string SaveThrough(QAction* action, const std::string& name) {
        const std::string path = m_h->scratch.File(name);
        m_h->dialogs.Answer(path);
        action->trigger();
        return path;
    }

private slots:
    void init() {
        m_h = std::make_unique<DialogHarness>();
        m_window.reset(CreatePrismDataWindow(kFilterWindowPlacement, nullptr));
    }
    void cleanup() {
        m_window.reset();  // before the dialogs it reports to
        m_h.reset();
    }

    void isAResizableTopLevelWindowWithACloseButton() {
        QCOMPARE(m_window->windowTitle(), QString("Prism Data - Filter Frequency"));
        QCOMPARE(QString(m_window->metaObject()->className()), QString("CPrismDataWindow"));
        QVERIFY(m_window->isWindow());
        QVERIFY(m_window->isVisible());
        const Qt::WindowFlags flags = m_window->windowFlags();
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowMaximizeButtonHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
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
        QCOMPARE(plot.GetViewOptions().sampleRate, 44100.0);  // no wave: 44.1 kHz
        ShowMovingAverage(8000);
        QCOMPARE(plot.GetViewOptions().sampleRate, 8000.0);
    }

    void paintingDrawsAxesAndLabelsInTheTextColourAndCurvesInTheirOwn() {
        ShowMovingAverage();
        const QImage image = Grab();
        QCOMPARE(image.size(), m_window->size());
        const PrismScene scene = m_window->Plot().BuildScene(350, 250);
        QVERIFY(scene.complete);
        const PrismLayout& layout = scene.layout;
        const QColor curve = PrismColours::FromPalette(m_window->palette()).curve;
        QVERIFY(curve != Ink());
        for (const PrismBand& band : layout.bands) {
            // The value axis runs the whole band, but where the curve starts on it; the curve leaves marks
            // right of it.
            const QRect axis(layout.left, band.top, 1, band.bottom - band.top + 1);
            QCOMPARE(CountPixels(image, Ink(), axis) + CountPixels(image, curve, axis), axis.height());
            QVERIFY(CountPixels(image, Ink(), axis) >= axis.height() - 2);
            QVERIFY(CountPixels(image, curve, QRect(layout.left + 3, band.top, layout.right - layout.left - 3,
                                                    band.bottom - band.top)) > 300);
        }
        // After the bands' axes come 1024 segments per band, whose starting points carry the curve colour
        // (sampled), even where a grid line runs through them.
        const std::size_t firstSegment = 2 * layout.bands.size();
        for (std::size_t i = firstSegment; i < firstSegment + 1024 * layout.bands.size(); i += 37) {
            QCOMPARE(int(scene.items[i].role), int(PrismDrawItem::Curve));
            const PrismLine& line = scene.items[i].line;
            QCOMPARE(image.pixel(line.x1, line.y1), curve.rgb());
        }
        // Value labels sit left of the axes, at least 9 pixels high although the margin asks for 5.
        QCOMPARE(layout.fontHeight, 9);
        int top = 250;
        int bottom = 0;
        const QRgb background = m_window->palette().color(QPalette::Window).rgb();
        for (int y = layout.bands[0].top; y < layout.bands[0].top + 15; ++y) {  // only the top label's rows
            for (int x = 0; x < layout.left - 3; ++x) {
                if (image.pixel(x, y) != background) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        }
        QVERIFY2(bottom - top >= 5, "the top label's digits are 6 pixels tall or more");
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

    void closingTheWindowIsAnnounced() {
        QSignalSpy closed(m_window.get(), &CPrismDataWindow::closedByUser);
        m_window->close();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!m_window->isVisible());
    }

    void theContextMenuOffersTheViewAndExportEntries() {
        const auto entries = [](CPrismDataWindow& window) {
            QStringList texts;
            QTimer::singleShot(0, [&] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (menu) {
                    for (QAction* action : menu->actions()) {
                        texts << (action->isSeparator() ? QString("-") : action->text());
                    }
                    menu->close();
                }
            });
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(100, 100), window.mapToGlobal(QPoint(100, 100)));
            QApplication::sendEvent(&window, &event);
            return texts;
        };
        QCOMPARE(entries(*m_window), (QStringList{"Frequency in Hz", "Logarithmic frequency axis",
                                                  "Show Values Under Pointer", "-", "Save Image...", "Save Data..."}));
        const auto audio = AudioWindowWithBefore();
        QCOMPARE(entries(*audio), (QStringList{"Frequency in Hz", "Logarithmic frequency axis",
                                               "Show Values Under Pointer", "Show Before Last Command", "-",
                                               "Save Image...", "Save Data..."}));
    }

    void sizePlaceAndOptionsAreRememberedPerWindow() {
        m_window->setGeometry(QRect(123, 77, 500, 400));
        Action(*m_window, "frequencyInHzAction")->setChecked(true);
        Action(*m_window, "logarithmicAction")->setChecked(true);
        const QRect moved = m_window->frameGeometry();
        m_window.reset();
        m_window.reset(CreatePrismDataWindow(kFilterWindowPlacement, nullptr));
        QCOMPARE(m_window->frameGeometry(), moved);
        QVERIFY(Action(*m_window, "frequencyInHzAction")->isChecked());
        QVERIFY(Action(*m_window, "logarithmicAction")->isChecked());
        QVERIFY(!Action(*m_window, "readoutAction")->isChecked());
        QVERIFY(m_window->Plot().GetViewOptions().frequencyInHz);
        QVERIFY(m_window->Plot().GetViewOptions().logarithmicFrequency);

        // The audio window keeps its own: the initial place, every option off but the state before.
        std::unique_ptr<CPrismDataWindow> audio(CreatePrismDataWindow(kAudioWindowPlacement, nullptr));
        QCOMPARE(audio->frameGeometry(), QRect(100, 100, 350, 250));
        QVERIFY(!Action(*audio, "frequencyInHzAction")->isChecked());
        QVERIFY(Action(*audio, "beforeAction")->isChecked());
        Action(*audio, "beforeAction")->setChecked(false);
        audio.reset();
        audio.reset(CreatePrismDataWindow(kAudioWindowPlacement, nullptr));
        QVERIFY(!Action(*audio, "beforeAction")->isChecked());
    }

    void theFrequencyAxisCanBeInHzAndLogarithmic() {
        ShowMovingAverage(48000);
        Action(*m_window, "frequencyInHzAction")->setChecked(true);
        std::vector<std::string> texts = TextsOf(m_window->Plot().BuildScene(350, 250));
        // After the value labels: nine frequencies from 0 to bin 1023 of 1024 at 24 kHz, then the unit.
        QCOMPARE(texts[texts.size() - 10], std::string("0"));
        QCOMPARE(texts[texts.size() - 2], std::string("24k"));  // 23976.6 Hz
        QCOMPARE(texts.back(), std::string("Hz"));

        Action(*m_window, "logarithmicAction")->setChecked(true);
        const PrismScene scene = m_window->Plot().BuildScene(350, 250);
        texts = TextsOf(scene);
        // The labels run from just below one bin (23.4 Hz at 48 kHz) to bin 1023.
        const PrismLayout& layout = scene.layout;
        QCOMPARE(texts[texts.size() - 10], FormatFrequencyLabel(std::pow(10.0, -1 / layout.xScale) * 24000 / 1024));
        QVERIFY(texts[texts.size() - 10] < std::string("23.4"));
        QCOMPARE(texts[texts.size() - 2], std::string("24k"));
        // Bin 100 lies two thirds of the way along a logarithmic axis of 1023 bins.
        const PrismLine& bin100 = scene.items[2 * layout.bands.size() + 100].line;
        const double expected = layout.left + std::log10(100.0) / std::log10(1023.0) * (layout.right - layout.left - 1);
        QVERIFY(std::fabs(bin100.x2 - expected) <= 1.0);
    }

    void theReadOutShowsFrequencyAndValueUnderThePointer() {
        ShowMovingAverage();
        const PrismScene scene = m_window->Plot().BuildScene(350, 250);
        const PrismBand& upper = scene.layout.bands[0];
        const QPoint inUpperBand(scene.layout.left + 101, (upper.top + upper.bottom) / 2);
        QTest::mouseMove(m_window.get(), inUpperBand);
        QCOMPARE(m_window->ReadoutText(), QString());  // off until asked for

        Action(*m_window, "readoutAction")->setChecked(true);
        QTest::mouseMove(m_window.get(), inUpperBand);
        // 101 of 264 pixels across bins 0..1023.
        const int bin = static_cast<int>(std::lround(101.0 * 1023 / 264));
        QCOMPARE(m_window->ReadoutText(),
                 QString::asprintf("%.4f: %.2f dB", bin / 2048.0, m_window->Plot().GetCurve(0)[bin]));
        Action(*m_window, "frequencyInHzAction")->setChecked(true);
        QCOMPARE(m_window->ReadoutText(),
                 QString::asprintf("%.1f Hz: %.2f dB", bin * 44100.0 / 2048, m_window->Plot().GetCurve(0)[bin]));
        const PrismBand& lower = scene.layout.bands[1];
        QTest::mouseMove(m_window.get(), QPoint(scene.layout.left + 101, lower.bottom - 1));
        QCOMPARE(m_window->ReadoutText(),
                 QString::asprintf("%.1f Hz: %.3f", bin * 44100.0 / 2048, m_window->Plot().GetCurve(1)[bin]));
        QTest::mouseMove(m_window.get(), QPoint(5, 5));
        QCOMPARE(m_window->ReadoutText(), QString());
    }

    void saveDataWritesTheDisplayedCurves() {
        ShowMovingAverage(32000);
        const std::string path = SaveThrough(Action(*m_window, "saveDataAction"), "filter.csv");
        QVERIFY(m_h->dialogs.Messages().empty());
        QCOMPARE(m_h->dialogs.saveRequests.back().defaultExtension, std::string("csv"));
        const std::vector<std::string> lines = Lines(ReadFileBytes(path));
        QCOMPARE(lines.size(), std::size_t(1025));
        QCOMPARE(lines[0], std::string("bin,frequency (Hz),magnitude (dB),phase (rad)"));
        const CPrismPlot& plot = m_window->Plot();
        for (int k = 0; k < kSpectrumBins; ++k) {
            const std::vector<double> fields = Fields(lines[k + 1]);
            QCOMPARE(fields, (std::vector<double>{double(k), k * 32000.0 / 2048, plot.GetCurve(0)[k],
                                                  plot.GetCurve(1)[k]}));
        }

        // The audio window adds the curves before the last command while it draws them.
        const auto audio = AudioWindowWithBefore();
        std::vector<std::string> table = Lines(ReadFileBytes(SaveThrough(Action(*audio, "saveDataAction"), "a.csv")));
        QCOMPARE(table[0], std::string("bin,frequency (Hz),channel 1 (dB),channel 2 (dB),before channel 1 (dB),"
                                       "before channel 2 (dB)"));
        QCOMPARE(Fields(table[7])[4], audio->Plot().GetBeforeCurve(0)[6]);
        QCOMPARE(Fields(table[7])[4], 20 * std::log10(3000.0 / 7 + 1e-12));
        Action(*audio, "beforeAction")->setChecked(false);
        table = Lines(ReadFileBytes(SaveThrough(Action(*audio, "saveDataAction"), "b.csv")));
        QCOMPARE(table[0], std::string("bin,frequency (Hz),channel 1 (dB),channel 2 (dB)"));
    }

    void saveImageWritesPngOrSvgOfTheWindow() {
        ShowMovingAverage();
        ResizeOuter(420, 300);
        const QImage png(QString::fromStdString(SaveThrough(Action(*m_window, "saveImageAction"), "plot.png")));
        QCOMPARE(png.size(), QSize(420, 300));
        const QColor curve = PrismColours::ForExport().curve;
        QVERIFY(CountPixels(png.convertToFormat(QImage::Format_RGB32), curve, png.rect()) > 300);
        QCOMPARE(m_h->dialogs.saveRequests.back().filterList, std::string("PNG Image (*.png);;SVG Image (*.svg)"));

        const std::vector<std::uint8_t> svg = ReadFileBytes(SaveThrough(Action(*m_window, "saveImageAction"), "p.svg"));
        const std::string text(svg.begin(), svg.end());
        QVERIFY(text.find("<svg") != std::string::npos);
        QVERIFY(text.find("viewBox=\"0 0 420 300\"") != std::string::npos);
        QVERIFY(m_h->dialogs.Messages().empty());
        // The last name is offered again.
        SaveThrough(Action(*m_window, "saveImageAction"), "again.png");
        QCOMPARE(m_h->dialogs.saveRequests.back().initialName, m_h->scratch.File("p.svg"));
    }

    void aFullDiskReportsAndKeepsTheOlderFile() {
        ShowMovingAverage();
        for (const char* name : {"saveImageAction", "saveDataAction"}) {
            const std::string path = m_h->scratch.File("old");
            WriteFileBytes(path, {'o', 'l', 'd'});
            m_h->dialogs.ClearMessages();
            m_h->dialogs.Answer(path);
            WithFileSizeLimit(64, [&] { Action(*m_window, name)->trigger(); });
            QCOMPARE(m_h->dialogs.Messages(), std::vector<std::string>{"Disk full while accessing " + path + "."});
            QCOMPARE(int(m_h->dialogs.Icons().back()), int(MessageIcon::Stop));
            QCOMPARE(ReadFileBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
            QCOMPARE(std::distance(std::filesystem::directory_iterator(m_h->scratch.Path()), {}), 2);  // and config
        }
    }

    void theStateBeforeIsDrawnBehindInALighterColour() {
        const auto audio = AudioWindowWithBefore();
        const PrismScene scene = audio->Plot().BuildScene(350, 250);
        std::size_t firstBefore = scene.items.size();
        std::size_t firstCurrent = scene.items.size();
        for (std::size_t i = 0; i < scene.items.size(); ++i) {
            if (scene.items[i].role == PrismDrawItem::BeforeCurve) firstBefore = std::min(firstBefore, i);
            if (scene.items[i].role == PrismDrawItem::Curve) firstCurrent = std::min(firstCurrent, i);
        }
        QVERIFY(firstBefore < firstCurrent);
        // Louder by 3 times: the band's range holds both states.
        QCOMPARE(scene.layout.bands[0].yMax, 20 * std::log10(3000.0 + 1e-12));
        const PrismColours colours = PrismColours::FromPalette(audio->palette());
        QVERIFY(colours.beforeCurve.lightness() > colours.curve.lightness());
        const QImage image = audio->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QVERIFY(CountPixels(image, colours.beforeCurve, image.rect()) > 200);

        Action(*audio, "beforeAction")->setChecked(false);
        QVERIFY(!audio->Plot().BeforeDrawn(0));
        const QImage without = audio->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(CountPixels(without, colours.beforeCurve, without.rect()), 0);
        Action(*audio, "beforeAction")->setChecked(true);
        audio->ClearBeforeData();
        QVERIFY(!audio->Plot().BeforeDrawn(0));
    }
};

QTEST_MAIN(PrismDataWindowTest)
#include "PrismDataWindowTest.moc"
