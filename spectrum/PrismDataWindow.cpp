#include "spectrum/PrismDataWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

#include "app/UserDialogs.h"
#include "audio/FileExport.h"
#include "spectrum/FilterResponse.h"
#include "spectrum/PrismPlotPainter.h"

namespace {

const char* const kImageFileFilter = "PNG Image (*.png);;SVG Image (*.svg)";
const char* const kDataFileFilter = "CSV Table (*.csv)";

// Runs a save; a memory shortage ends only the save.
template <typename Save>
void RunSave(Save save) {
    try {
        save();
    } catch (const std::bad_alloc&) {
        tressel::AppDialogs().ShowMessage("Out of memory.", tressel::MessageIcon::Warning);
    }
}

}  // namespace

CPrismDataWindow::CPrismDataWindow(const tressel::PrismWindowPlacement& placement, QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint |
                         Qt::WindowCloseButtonHint),
      m_settings(placement.settingsName) {
    setObjectName(QStringLiteral("CPrismDataWindow"));
    setWindowTitle(QString::fromUtf8(placement.title));
    setAutoFillBackground(true);
    setMouseTracking(true);
    m_frequencyInHz = AddOption("Frequency in Hz", "frequencyInHzAction", "FrequencyInHz", false);
    m_logarithmic = AddOption("Logarithmic frequency axis", "logarithmicAction", "LogarithmicFrequency", false);
    m_readout = AddOption("Show Values Under Pointer", "readoutAction", "PointerReadout", false);
    if (placement.offersBefore) {
        m_before = AddOption("Show Before Last Command", "beforeAction", "ShowBefore", true);
    }
    m_saveImage = new QAction(QStringLiteral("Save Image..."), this);
    m_saveImage->setObjectName(QStringLiteral("saveImageAction"));
    connect(m_saveImage, &QAction::triggered, this, &CPrismDataWindow::SaveImage);
    m_saveData = new QAction(QStringLiteral("Save Data..."), this);
    m_saveData->setObjectName(QStringLiteral("saveDataAction"));
    connect(m_saveData, &QAction::triggered, this, &CPrismDataWindow::SaveData);
    ApplyOptions();
}

CPrismDataWindow::~CPrismDataWindow() {
    m_settings.SaveGeometry(*this);
}

QAction* CPrismDataWindow::AddOption(const char* text, const char* name, const char* setting, bool fallback) {
    auto* action = new QAction(QString::fromUtf8(text), this);
    action->setObjectName(QString::fromUtf8(name));
    action->setCheckable(true);
    action->setChecked(m_settings.ReadBool(setting, fallback));
    const std::string key = setting;
    connect(action, &QAction::toggled, this, [this, key](bool on) {
        m_settings.WriteBool(key, on);
        ApplyOptions();
        update();
    });
    return action;
}

void CPrismDataWindow::ApplyOptions() {
    tressel::PrismViewOptions options;
    options.frequencyInHz = m_frequencyInHz->isChecked();
    options.sampleRate = m_sampleRate;
    options.logarithmicFrequency = m_logarithmic->isChecked();
    options.showBefore = m_before && m_before->isChecked();
    if (!(options == m_plot.GetViewOptions())) {
        m_plot.SetViewOptions(options);
    }
}

void CPrismDataWindow::SetData(const double* first, const double* second, int count) {
    m_plot.SetData(first, second, count);
}

void CPrismDataWindow::Configure(int xUnitMode, double xFactor, int displayMode1, int displayMode2,
                                 int logarithmicX, int dB1, int dB2, int firstIndex, int lastIndex, double yMin1,
                                 double yMax1, double yMin2, double yMax2) {
    m_plot.Configure(xUnitMode, xFactor, displayMode1, displayMode2, logarithmicX, dB1, dB2, firstIndex, lastIndex,
                     yMin1, yMax1, yMin2, yMax2);
}

void CPrismDataWindow::Configure(const tressel::PrismConfiguration& configuration) {
    m_plot.Configure(configuration);
}

void CPrismDataWindow::UpdateCurves() {
    m_plot.UpdateCurves();
}

void CPrismDataWindow::SetSampleRate(double hertz) {
    m_sampleRate = hertz;
    ApplyOptions();
    update();
}

void CPrismDataWindow::SetBeforeData(const double* first, const double* second, int count) {
    m_plot.SetBeforeData(std::vector<double>(first, first + count), std::vector<double>(second, second + count));
    update();
}

void CPrismDataWindow::ClearBeforeData() {
    m_plot.ClearBeforeData();
    update();
}

void CPrismDataWindow::Redraw() {
    update();
    repaint();
}

void CPrismDataWindow::ShowAtOuterRect(const QRect& outer) {
    move(outer.topLeft());
    resize(outer.size());
    show();
    // Once the frame is known, give the client what the frame leaves of the outer rectangle.
    const QSize decoration = frameGeometry().size() - size();
    if (decoration.width() > 0 || decoration.height() > 0) {
        resize(outer.size() - decoration);
    }
}

tressel::PrismScene CPrismDataWindow::CurrentScene() {
    const QRect outer = frameGeometry();
    return m_plot.BuildScene(outer.width(), outer.height());
}

void CPrismDataWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const tressel::PrismScene scene = CurrentScene();
    CPrismPlotPainter(PrismColours::FromPalette(palette())).Paint(painter, scene);
    PaintReadout(painter, scene);
}

std::optional<tressel::PrismReadout> CPrismDataWindow::CurrentReadout(const tressel::PrismScene& scene) const {
    if (!m_readout->isChecked() || !m_pointer) {
        return std::nullopt;
    }
    return m_plot.ReadoutAt(scene, m_pointer->x(), m_pointer->y());
}

QString CPrismDataWindow::ReadoutText() {
    const auto readout = CurrentReadout(CurrentScene());
    return readout ? QString::fromStdString(m_plot.FormatReadout(*readout)) : QString();
}

// The read-out sits in the top right corner, above the plot, with a mark on the curve it reads.
void CPrismDataWindow::PaintReadout(QPainter& painter, const tressel::PrismScene& scene) const {
    const auto readout = CurrentReadout(scene);
    if (!readout) {
        return;
    }
    const PrismColours colours = PrismColours::FromPalette(palette());
    painter.setPen(QPen(colours.curve, 0));
    painter.drawLine(readout->x - 3, readout->y - 3, readout->x + 3, readout->y + 3);
    painter.drawLine(readout->x - 3, readout->y + 3, readout->x + 3, readout->y - 3);
    const QFont font = CPrismPlotPainter::LabelFont(scene.layout.fontHeight, 0);
    painter.setFont(font);
    painter.setPen(colours.ink);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(colours.background);
    const QString text = QString::fromStdString(m_plot.FormatReadout(*readout));
    const QFontMetrics metrics(font);
    painter.drawText(scene.layout.right - metrics.horizontalAdvance(text), metrics.ascent(), text);
}

void CPrismDataWindow::mouseMoveEvent(QMouseEvent* event) {
    m_pointer = event->position().toPoint();
    if (m_readout->isChecked()) {
        update();
    }
}

void CPrismDataWindow::leaveEvent(QEvent* /*event*/) {
    m_pointer.reset();
    update();
}

void CPrismDataWindow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(m_frequencyInHz);
    menu.addAction(m_logarithmic);
    menu.addAction(m_readout);
    if (m_before) {
        menu.addAction(m_before);
    }
    menu.addSeparator();
    menu.addAction(m_saveImage);
    menu.addAction(m_saveData);
    menu.exec(event->globalPos());
}

void CPrismDataWindow::SaveImage() {
    RunSave([this] {
        tressel::UserDialogs& dialogs = tressel::AppDialogs();
        const auto chosen =
            dialogs.ChooseFileToSave({kImageFileFilter, m_settings.ReadString("LastImageFile"), "png"});
        if (!chosen) {
            return;
        }
        m_settings.WriteString("LastImageFile", *chosen);
        const QByteArray bytes = RenderPrismImage(m_plot, frameGeometry().size(), ImageFormatForPath(*chosen));
        const std::string_view view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        tressel::ShowMessages(dialogs, tressel::ExportFile(*chosen, view));
    });
}

void CPrismDataWindow::SaveData() {
    RunSave([this] {
        tressel::UserDialogs& dialogs = tressel::AppDialogs();
        const auto chosen = dialogs.ChooseFileToSave({kDataFileFilter, m_settings.ReadString("LastDataFile"), "csv"});
        if (!chosen) {
            return;
        }
        m_settings.WriteString("LastDataFile", *chosen);
        tressel::ShowMessages(dialogs, tressel::ExportFile(*chosen, tressel::PrismDataCsv(m_plot)));
    });
}

void CPrismDataWindow::closeEvent(QCloseEvent* event) {
    m_settings.SaveGeometry(*this);
    event->accept();
    emit closedByUser();
}

CPrismDataWindow* CreatePrismDataWindow(const tressel::PrismWindowPlacement& placement, QWidget* owner) {
    auto* window = new CPrismDataWindow(placement, owner);
    if (tressel::WindowSettings(placement.settingsName).RestoreGeometry(*window)) {
        window->show();
    } else {
        window->ShowAtOuterRect(
            QRect(QPoint(placement.left, placement.top), QSize(placement.Width(), placement.Height())));
    }
    return window;
}

void ShowFilterResponse(CPrismDataWindow& window, const double* real, const double* imag, double sampleRate) {
    window.SetSampleRate(tressel::DisplaySampleRate(sampleRate));
    window.SetData(real, imag, tressel::kSpectrumBins);
    window.Configure(tressel::FilterWindowConfiguration());
    window.Plot().SetCurveNames(tressel::FilterWindowCurveNames());
    window.UpdateCurves();
    window.Redraw();
}

void ShowAudioSpectrum(CPrismDataWindow& window, const double* firstCurve, const double* secondCurve,
                       int channels, double sampleRate) {
    window.SetSampleRate(tressel::DisplaySampleRate(sampleRate));
    window.SetData(firstCurve, secondCurve, tressel::kSpectrumBins);
    window.Configure(tressel::AudioWindowConfiguration(channels));
    window.Plot().SetCurveNames(tressel::AudioWindowCurveNames());
    window.UpdateCurves();
    window.Redraw();
}
