#include "spectrum/PrismPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tressel {

namespace {

constexpr double kTiny = 1e-12;  // keeps log10 finite: silence shows as -240 dB
constexpr double kFullTurn = 6.28318530718;
constexpr double kUnwrapThreshold = 5.0;

double Decibels(double magnitude) {
    return 20.0 * std::log10(magnitude + kTiny);
}

// Truncation toward zero that stays defined for the infinite or undefined values a degenerate range or
// scale can produce; real coordinates are far inside the clamp.
int Trunc(double value) {
    if (!(value == value)) {
        return 0;
    }
    return static_cast<int>(std::clamp(value, -1e9, 1e9));
}

PrismDrawItem Line(int x1, int y1, int x2, int y2) {
    return PrismDrawItem{PrismDrawItem::Line, PrismLine{x1, y1, x2, y2}, 0, 0, {}};
}

PrismDrawItem Text(int x, int y, double value) {
    return PrismDrawItem{PrismDrawItem::Text, PrismLine{0, 0, 0, 0}, x, y, FormatValueLabel(value)};
}

PrismDrawItem Caption(int x, int y, std::string text, bool centred) {
    PrismDrawItem item{PrismDrawItem::Text, PrismLine{0, 0, 0, 0}, x, y, std::move(text)};
    item.centred = centred;
    return item;
}

std::string Number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

// Curve values for one display mode; a curve whose inputs are missing keeps what it holds.
void DeriveCurve(const double* a, const double* b, int count, int mode, bool dB, std::vector<double>& curve) {
    const bool needsFirst = mode == Magnitude || mode == FirstArray || mode == Phase || mode == UnwrappedPhase;
    const bool needsSecond = mode == Magnitude || mode == SecondArray || mode == Phase || mode == UnwrappedPhase;
    if ((needsFirst && !a) || (needsSecond && !b)) {
        return;  // no input to derive it from: the curve keeps its zeros
    }
    switch (mode) {
    case Magnitude:
        for (int i = 0; i < count; ++i) {
            const double magnitude = std::sqrt(a[i] * a[i] + b[i] * b[i]);
            curve[i] = dB ? Decibels(magnitude) : magnitude;
        }
        break;
    case FirstArray:
    case SecondArray: {
        const double* input = mode == FirstArray ? a : b;
        for (int i = 0; i < count; ++i) {
            curve[i] = dB ? Decibels(std::fabs(input[i])) : input[i];
        }
        break;
    }
    case Phase:
        for (int i = 0; i < count; ++i) {
            if (a[i] != 0 && b[i] != 0) {
                const double phase = std::atan2(b[i], a[i]);
                curve[i] = dB ? Decibels(std::fabs(phase)) : phase;
            } else {
                curve[i] = dB ? kTiny : 0.0;
            }
        }
        break;
    case UnwrappedPhase:
        for (int i = 0; i < count; ++i) {
            curve[i] = (a[i] != 0 && b[i] != 0) ? std::atan2(b[i], a[i]) : (dB ? kTiny : 0.0);
        }
        // Each jump shifts the whole rest of the curve by one turn, one addition per jump, in order.
        for (int i = 1; i < count; ++i) {
            const double jump = curve[i - 1] - curve[i];
            if (jump > kUnwrapThreshold) {
                for (int j = i; j < count; ++j) {
                    curve[j] += kFullTurn;
                }
            } else if (jump < -kUnwrapThreshold) {
                for (int j = i; j < count; ++j) {
                    curve[j] -= kFullTurn;
                }
            }
        }
        if (dB) {
            for (int i = 0; i < count; ++i) {
                curve[i] = Decibels(std::fabs(curve[i]));
            }
        }
        break;
    default:
        break;
    }
}


}  // namespace

PrismConfiguration FilterWindowConfiguration() {
    return PrismConfiguration{0, 0.5, Magnitude, Phase, 0, 1, 0, 0, 1023, 0.0, 0.0, 0.0, 0.0};
}

PrismConfiguration AudioWindowConfiguration(int channels) {
    return PrismConfiguration{0, 0.5, FirstArray, channels == 2 ? SecondArray : Hidden, 0, 1, 1, 0, 1023,
                              0.0, 0.0, 0.0, 0.0};
}

PrismCurveNames FilterWindowCurveNames() {
    return {"magnitude (dB)", "phase (rad)"};
}

PrismCurveNames AudioWindowCurveNames() {
    return {"channel 1 (dB)", "channel 2 (dB)"};
}

std::string FormatValueLabel(double value) {
    const bool moderate = (-9999.99 < value && value < -0.1) || (0.1 < value && value < 9999.99) || value == 0;
    char buffer[20];
    std::snprintf(buffer, sizeof buffer, moderate ? "% 8.2f" : "% 8.2g", value);
    return buffer;
}

std::string FormatFrequencyLabel(double hertz) {
    char buffer[32];
    if (std::fabs(hertz) >= 999.5) {
        std::snprintf(buffer, sizeof buffer, "%.3gk", hertz / 1000.0);
    } else {
        std::snprintf(buffer, sizeof buffer, "%.3g", hertz);
    }
    return buffer;
}

void CPrismPlot::SetData(const double* first, const double* second, int count) {
    m_first = first;
    m_second = second;
    m_count = std::max(count, 0);
    for (auto& curve : m_curves) {
        curve.assign(static_cast<std::size_t>(m_count), 0.0);
    }
}

void CPrismPlot::Configure(const PrismConfiguration& configuration) {
    m_configuration = configuration;
    m_requested = configuration;
}

void CPrismPlot::Configure(int xUnitMode, double xFactor, int displayMode1, int displayMode2, int logarithmicX,
                           int dB1, int dB2, int firstIndex, int lastIndex, double yMin1, double yMax1,
                           double yMin2, double yMax2) {
    Configure(PrismConfiguration{xUnitMode, xFactor, displayMode1, displayMode2, logarithmicX, dB1, dB2, firstIndex,
                                 lastIndex, yMin1, yMax1, yMin2, yMax2});
}

int CPrismPlot::DisplayMode(int k) const {
    return k == 0 ? m_configuration.displayMode1 : m_configuration.displayMode2;
}

bool CPrismPlot::LogarithmicX() const {
    return m_configuration.logarithmicX != 0 || m_options.logarithmicFrequency;
}

double& CPrismPlot::YMin(int k) {
    return k == 0 ? m_configuration.yMin1 : m_configuration.yMin2;
}

double& CPrismPlot::YMax(int k) {
    return k == 0 ? m_configuration.yMax1 : m_configuration.yMax2;
}

void CPrismPlot::UpdateCurves() {
    DeriveCurve(m_first, m_second, m_count, m_configuration.displayMode1, m_configuration.dB1 != 0, m_curves[0]);
    DeriveCurve(m_first, m_second, m_count, m_configuration.displayMode2, m_configuration.dB2 != 0, m_curves[1]);
    for (int k = 0; k < 2; ++k) {
        FindExtremes(m_curves[k], m_configuration.firstIndex, std::min(m_configuration.lastIndex, m_count),
                     m_computedMin[k], m_computedMax[k]);
    }
    DeriveBeforeCurves();
}

void CPrismPlot::SetBeforeData(std::vector<double> first, std::vector<double> second) {
    m_beforeInputs[0] = std::move(first);
    m_beforeInputs[1] = std::move(second);
    DeriveBeforeCurves();
    m_configuration = m_requested;
}

void CPrismPlot::ClearBeforeData() {
    SetBeforeData({}, {});
}

void CPrismPlot::DeriveBeforeCurves() {
    const auto count = static_cast<std::size_t>(m_count);
    const bool usable = m_beforeInputs[0].size() == count && m_beforeInputs[1].size() == count && count > 0;
    for (int k = 0; k < 2; ++k) {
        m_beforeCurves[k].clear();
        if (!usable) {
            continue;
        }
        m_beforeCurves[k].assign(count, 0.0);
        DeriveCurve(m_beforeInputs[0].data(), m_beforeInputs[1].data(), m_count, DisplayMode(k),
                    (k == 0 ? m_configuration.dB1 : m_configuration.dB2) != 0, m_beforeCurves[k]);
        FindExtremes(m_beforeCurves[k], m_configuration.firstIndex, std::min(m_configuration.lastIndex, m_count),
                     m_beforeMin[k], m_beforeMax[k]);
    }
}

bool CPrismPlot::BeforeDrawn(int k) const {
    return m_options.showBefore && !m_beforeCurves[k].empty() && DisplayMode(k) != Hidden;
}

void CPrismPlot::SetViewOptions(const PrismViewOptions& options) {
    m_options = options;
    m_configuration = m_requested;
}

void CPrismPlot::FindExtremes(const std::vector<double>& curve, int first, int last, double& low, double& high) {
    if (curve.empty()) {
        low = high = 0.0;
        return;
    }
    low = curve[0];
    high = curve[0];
    for (int i = std::max(first, 0); i < last; ++i) {
        low = std::min(low, curve[i]);
        high = std::max(high, curve[i]);
    }
}

void CPrismPlot::SettleRanges() {
    for (int k = 0; k < 2; ++k) {
        if (YMin(k) == 0 && YMax(k) == 0) {
            double low = m_computedMin[k];
            double high = m_computedMax[k];
            // Both states share the band, so its range holds both.
            if (BeforeDrawn(k)) {
                low = std::min(low, m_beforeMin[k]);
                high = std::max(high, m_beforeMax[k]);
            }
            if (high - low < 0.2) {
                high += 0.1;
                low -= 0.1;
            }
            YMin(k) = low;
            YMax(k) = high;
        }
    }
}

PrismScene CPrismPlot::BuildScene(int width, int height) {
    PrismScene scene;
    const bool shown[2] = {DisplayMode(0) != Hidden, DisplayMode(1) != Hidden};
    if (width < 100 || height - 30 < 120 || (!shown[0] && !shown[1])) {
        return scene;
    }
    PrismConfiguration& config = m_configuration;
    if (config.firstIndex == config.lastIndex) {
        config.firstIndex = 0;
        config.lastIndex = m_count;
    }
    SettleRanges();

    PrismLayout& layout = scene.layout;
    layout.left = std::min(width / 8, 70);
    layout.right = width - layout.left;
    layout.plotHeight = height - 40;
    layout.bandGap = std::min(layout.plotHeight / 16, 20);
    if (!BuildBands(scene)) {
        return scene;
    }

    const int span = config.lastIndex - config.firstIndex;
    if (LogarithmicX()) {
        layout.xScale = (layout.right - layout.left - 1) / std::log10(span);
    } else {
        layout.xScale = span > 1 ? static_cast<double>(layout.right - layout.left) / span
                                 : static_cast<double>(layout.right - layout.left);
    }
    for (const PrismBand& band : layout.bands) {
        if (BeforeDrawn(band.curve)) {
            AddCurveLines(scene, band, m_beforeCurves[band.curve], PrismDrawItem::BeforeCurve);
        }
    }
    for (const PrismBand& band : layout.bands) {
        AddCurveLines(scene, band, m_curves[band.curve], PrismDrawItem::Curve);
    }

    // Tiny windows would give labels nobody can read; below the minimum they keep a readable size.
    layout.fontHeight = std::max(layout.left / 8, kMinimumLabelHeight);
    layout.fontWidth = std::max(layout.left / 10, kMinimumLabelHeight * 4 / 9);
    for (const PrismBand& band : layout.bands) {
        AddValueLabels(scene, band);
    }
    AddFrequencyLabels(scene);
    // The grid was drawn over the axes; draw them once more on top.
    for (const PrismBand& band : layout.bands) {
        AddAxes(scene, band, layout);
    }
    scene.complete = true;
    return scene;
}

void CPrismPlot::AddAxes(PrismScene& scene, const PrismBand& band, const PrismLayout& layout) {
    scene.items.push_back(Line(layout.left, band.top, layout.left, band.bottom));
    scene.items.push_back(Line(layout.left, band.zeroY, layout.right, band.zeroY));
}

bool CPrismPlot::BuildBands(PrismScene& scene) {
    PrismLayout& layout = scene.layout;
    const int p = layout.plotHeight;
    const int t = layout.bandGap;
    const bool shown[2] = {DisplayMode(0) != Hidden, DisplayMode(1) != Hidden};
    for (int k = 0; k < 2; ++k) {
        if (!shown[k]) {
            continue;
        }
        PrismBand band;
        band.curve = k;
        if (shown[0] && shown[1]) {
            band.top = k == 0 ? t : p / 2 + t;
            band.bottom = k == 0 ? p / 2 - t : 2 * (p / 2) - t;
        } else {
            band.top = t;
            band.bottom = p - t;
        }
        band.yMin = YMin(k);
        band.yMax = YMax(k);
        // An empty range cannot be scaled any more than an inverted one.
        if (!(band.yMax > band.yMin)) {
            return false;
        }
        const int height = band.bottom - band.top;
        band.scale = height / (band.yMax - band.yMin);
        if (band.yMin < 0 && 0 < band.yMax) {
            band.zeroY = band.top + Trunc(band.yMax / (band.yMax - band.yMin) * height);
        } else if (band.yMin >= 0) {
            band.zeroY = band.bottom;
        } else {
            band.zeroY = band.top;
        }
        layout.bands.push_back(band);
        AddAxes(scene, band, layout);
    }
    return true;
}

int CPrismPlot::XOf(int index, const PrismLayout& layout) const {
    const int first = m_configuration.firstIndex;
    if (LogarithmicX()) {
        return index == first ? layout.left : layout.left + Trunc(std::log10(index - first) * layout.xScale + 1);
    }
    return layout.left + Trunc((index - first) * layout.xScale);
}

int CPrismPlot::YOf(double value, const PrismBand& band, bool clampToRange) {
    double v = clampToRange ? std::max(std::min(value, band.yMax), band.yMin) : value;
    if (band.yMin >= 0) {
        v = v - band.yMin;
    }
    if (band.yMax <= 0) {
        v = v - band.yMax;
    }
    return band.zeroY - Trunc(v * band.scale);
}

void CPrismPlot::AddCurveLines(PrismScene& scene, const PrismBand& band, const std::vector<double>& curve,
                               PrismDrawItem::Role role) const {
    const PrismLayout& layout = scene.layout;
    const int first = m_configuration.firstIndex;
    const int last = m_configuration.lastIndex;
    int previousX = layout.left;
    int previousY = 0;
    for (int i = first; i <= last; ++i) {
        // A point outside the data counts as 0, taken as it is rather than clamped into the range.
        const bool inside = i >= 0 && i < m_count;
        const int x = XOf(i, layout);
        const int y = YOf(inside ? curve[i] : 0.0, band, inside);
        if (i == first) {
            previousY = y;
        }
        PrismDrawItem item = Line(previousX, previousY, x, y);
        item.role = role;
        scene.items.push_back(item);
        previousX = x;
        previousY = y;
    }
}

void CPrismPlot::AddValueLabels(PrismScene& scene, const PrismBand& band) const {
    const PrismLayout& layout = scene.layout;
    const int span = band.bottom - band.top;
    int n = span / 12;
    if (n % 2 != 0) {
        n -= 1;
    }
    if (n <= 0) {
        return;
    }
    for (int j = 0; j <= n; ++j) {
        const int y = band.top + (j * span) / n;
        double value = (band.zeroY - y) / band.scale;
        if (band.yMin >= 0) {
            value += band.yMin;
        }
        if (band.yMax <= 0) {
            value += band.yMax;
        }
        scene.items.push_back(Line(layout.left - 2, y, layout.left + 2, y));
        scene.items.push_back(Line(layout.left + 2, y, layout.right, y));
        const int labelY = y + Trunc(static_cast<double>(n - j) / n * (layout.fontHeight / 2));
        scene.items.push_back(Text(layout.left / 20, labelY, value));
    }
}

void CPrismPlot::AddFrequencyLabels(PrismScene& scene) const {
    PrismLayout& layout = scene.layout;
    const PrismConfiguration& config = m_configuration;
    const bool inHz = m_options.frequencyInHz && config.xUnitMode == 0;
    layout.labelRow = layout.bands.front().bottom + layout.fontHeight - 3;
    for (int j = 0; j <= 8; ++j) {
        const int x = layout.left + (j * (layout.right - layout.left)) / 8;
        double value;
        if (LogarithmicX()) {
            value = std::pow(10.0, (x - layout.left - 1) / layout.xScale) + config.firstIndex + kTiny;
        } else {
            value = (x - layout.left) / layout.xScale + config.firstIndex;
        }
        if (config.xUnitMode == 0) {
            value = value / m_count * config.xFactor;
        } else if (config.xUnitMode == 1) {
            value = value / config.xFactor;
        }
        for (const PrismBand& band : layout.bands) {
            scene.items.push_back(Line(x, band.zeroY - 1, x, band.zeroY + 1));
            scene.items.push_back(Line(x, band.bottom, x, band.top));
        }
        if (inHz) {
            const std::string label = FormatFrequencyLabel(value * m_options.sampleRate);
            scene.items.push_back(Caption(x, layout.labelRow, label, true));
        } else {
            scene.items.push_back(Text(x - Trunc((j + 1) * 0.4 * layout.fontHeight), layout.labelRow, value));
        }
    }
    if (inHz) {
        // The labels sit centred under their ticks; the unit follows the last one.
        scene.items.push_back(Caption(layout.right + (3 * layout.fontHeight) / 2, layout.labelRow, "Hz", false));
    }
}

std::optional<PrismReadout> CPrismPlot::ReadoutAt(const PrismScene& scene, int x, int y) const {
    const PrismLayout& layout = scene.layout;
    if (!scene.complete || x < layout.left || x > layout.right) {
        return std::nullopt;
    }
    for (const PrismBand& band : layout.bands) {
        if (y < band.top || y > band.bottom) {
            continue;
        }
        const int first = m_configuration.firstIndex;
        double offset;
        if (LogarithmicX()) {
            offset = x == layout.left ? 0.0 : std::pow(10.0, (x - layout.left - 1) / layout.xScale);
        } else {
            offset = (x - layout.left) / layout.xScale;
        }
        const int lastShown = std::min(m_configuration.lastIndex, m_count - 1);
        if (lastShown < first) {
            return std::nullopt;
        }
        const int index = std::clamp(first + static_cast<int>(std::lround(offset)), first, lastShown);
        PrismReadout readout;
        readout.index = index;
        readout.curve = band.curve;
        readout.value = m_curves[band.curve][index];
        readout.x = XOf(index, layout);
        readout.y = YOf(readout.value, band);
        return readout;
    }
    return std::nullopt;
}

double CPrismPlot::FrequencyOf(int index) const {
    return m_count == 0 ? 0.0 : static_cast<double>(index) / m_count * m_configuration.xFactor * m_options.sampleRate;
}

std::string CPrismPlot::FormatReadout(const PrismReadout& readout) const {
    char frequency[48];
    if (m_options.frequencyInHz && m_configuration.xUnitMode == 0) {
        std::snprintf(frequency, sizeof frequency, "%.1f Hz", FrequencyOf(readout.index));
    } else if (m_configuration.xUnitMode == 0 && m_count > 0) {
        std::snprintf(frequency, sizeof frequency, "%.4f", static_cast<double>(readout.index) / m_count *
                                                               m_configuration.xFactor);
    } else {
        std::snprintf(frequency, sizeof frequency, "%d", readout.index);
    }
    const bool dB = (readout.curve == 0 ? m_configuration.dB1 : m_configuration.dB2) != 0;
    char value[48];
    std::snprintf(value, sizeof value, dB ? "%.2f dB" : "%.3f", readout.value);
    return std::string(frequency) + ": " + value;
}

std::string PrismDataCsv(const CPrismPlot& plot) {
    const PrismConfiguration& config = plot.GetConfiguration();
    const int modes[2] = {config.displayMode1, config.displayMode2};
    const std::string names[2] = {plot.GetCurveNames().first, plot.GetCurveNames().second};
    std::vector<const std::vector<double>*> columns;
    std::string text = "bin,frequency (Hz)";
    for (int k = 0; k < 2; ++k) {
        if (modes[k] != Hidden) {
            columns.push_back(&plot.GetCurve(k));
            text += "," + names[k];
        }
    }
    for (int k = 0; k < 2; ++k) {
        if (plot.BeforeDrawn(k)) {
            columns.push_back(&plot.GetBeforeCurve(k));
            text += ",before " + names[k];
        }
    }
    text += "\n";
    for (int i = 0; i < plot.GetCount(); ++i) {
        text += std::to_string(i) + "," + Number(plot.FrequencyOf(i));
        for (const std::vector<double>* column : columns) {
            text += "," + Number((*column)[static_cast<std::size_t>(i)]);
        }
        text += "\n";
    }
    return text;
}

}  // namespace tressel
