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

}  // namespace

PrismConfiguration FilterWindowConfiguration() {
    return PrismConfiguration{0, 0.5, Magnitude, Phase, 0, 1, 0, 0, 1023, 0.0, 0.0, 0.0, 0.0};
}

PrismConfiguration AudioWindowConfiguration(int channels) {
    return PrismConfiguration{0, 0.5, FirstArray, channels == 2 ? SecondArray : Hidden, 0, 1, 1, 0, 1023,
                              0.0, 0.0, 0.0, 0.0};
}

std::string FormatValueLabel(double value) {
    const bool moderate = (-9999.99 < value && value < -0.1) || (0.1 < value && value < 9999.99) || value == 0;
    char buffer[20];
    std::snprintf(buffer, sizeof buffer, moderate ? "% 8.2f" : "% 8.2g", value);
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

double& CPrismPlot::YMin(int k) {
    return k == 0 ? m_configuration.yMin1 : m_configuration.yMin2;
}

double& CPrismPlot::YMax(int k) {
    return k == 0 ? m_configuration.yMax1 : m_configuration.yMax2;
}

void CPrismPlot::UpdateCurves() {
    UpdateCurve(0, m_configuration.displayMode1, m_configuration.dB1 != 0);
    UpdateCurve(1, m_configuration.displayMode2, m_configuration.dB2 != 0);
    FindExtremes(0);
    FindExtremes(1);
}

void CPrismPlot::UpdateCurve(int k, int mode, bool dB) {
    std::vector<double>& curve = m_curves[k];
    const double* a = m_first;
    const double* b = m_second;
    const bool needsFirst = mode == Magnitude || mode == FirstArray || mode == Phase || mode == UnwrappedPhase;
    const bool needsSecond = mode == Magnitude || mode == SecondArray || mode == Phase || mode == UnwrappedPhase;
    if ((needsFirst && !a) || (needsSecond && !b)) {
        return;  // no input to derive it from: the curve keeps its zeros
    }
    switch (mode) {
    case Magnitude:
        for (int i = 0; i < m_count; ++i) {
            const double magnitude = std::sqrt(a[i] * a[i] + b[i] * b[i]);
            curve[i] = dB ? Decibels(magnitude) : magnitude;
        }
        break;
    case FirstArray:
    case SecondArray: {
        const double* input = mode == FirstArray ? a : b;
        for (int i = 0; i < m_count; ++i) {
            curve[i] = dB ? Decibels(std::fabs(input[i])) : input[i];
        }
        break;
    }
    case Phase:
        for (int i = 0; i < m_count; ++i) {
            if (a[i] != 0 && b[i] != 0) {
                const double phase = std::atan2(b[i], a[i]);
                curve[i] = dB ? Decibels(std::fabs(phase)) : phase;
            } else {
                curve[i] = dB ? kTiny : 0.0;
            }
        }
        break;
    case UnwrappedPhase:
        for (int i = 0; i < m_count; ++i) {
            curve[i] = (a[i] != 0 && b[i] != 0) ? std::atan2(b[i], a[i]) : (dB ? kTiny : 0.0);
        }
        // Each jump shifts the whole rest of the curve by one turn, one addition per jump, in order.
        for (int i = 1; i < m_count; ++i) {
            const double jump = curve[i - 1] - curve[i];
            if (jump > kUnwrapThreshold) {
                for (int j = i; j < m_count; ++j) {
                    curve[j] += kFullTurn;
                }
            } else if (jump < -kUnwrapThreshold) {
                for (int j = i; j < m_count; ++j) {
                    curve[j] -= kFullTurn;
                }
            }
        }
        if (dB) {
            for (int i = 0; i < m_count; ++i) {
                curve[i] = Decibels(std::fabs(curve[i]));
            }
        }
        break;
    default:
        break;
    }
}

void CPrismPlot::FindExtremes(int k) {
    const std::vector<double>& curve = m_curves[k];
    if (curve.empty()) {
        m_computedMin[k] = m_computedMax[k] = 0.0;
        return;
    }
    double low = curve[0];
    double high = curve[0];
    const int from = std::max(m_configuration.firstIndex, 0);
    const int to = std::min(m_configuration.lastIndex, m_count);
    for (int i = from; i < to; ++i) {
        low = std::min(low, curve[i]);
        high = std::max(high, curve[i]);
    }
    m_computedMin[k] = low;
    m_computedMax[k] = high;
}

void CPrismPlot::SettleRanges() {
    for (int k = 0; k < 2; ++k) {
        if (YMin(k) == 0 && YMax(k) == 0) {
            double low = m_computedMin[k];
            double high = m_computedMax[k];
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
    if (config.logarithmicX) {
        layout.xScale = (layout.right - layout.left - 1) / std::log10(span);
    } else {
        layout.xScale = span > 1 ? static_cast<double>(layout.right - layout.left) / span
                                 : static_cast<double>(layout.right - layout.left);
    }
    for (const PrismBand& band : layout.bands) {
        AddCurveLines(scene, band);
    }

    layout.fontHeight = layout.left / 8;
    layout.fontWidth = layout.left / 10;
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

void CPrismPlot::AddCurveLines(PrismScene& scene, const PrismBand& band) const {
    const PrismLayout& layout = scene.layout;
    const std::vector<double>& curve = m_curves[band.curve];
    const int first = m_configuration.firstIndex;
    const int last = m_configuration.lastIndex;
    int previousX = layout.left;
    int previousY = 0;
    for (int i = first; i <= last; ++i) {
        double v = 0.0;
        if (i >= 0 && i < m_count) {
            v = std::max(std::min(curve[i], band.yMax), band.yMin);
        }
        if (band.yMin >= 0) {
            v = v - band.yMin;
        }
        if (band.yMax <= 0) {
            v = v - band.yMax;
        }
        int x;
        if (m_configuration.logarithmicX) {
            x = i == first ? layout.left : layout.left + Trunc(std::log10(i - first) * layout.xScale + 1);
        } else {
            x = layout.left + Trunc((i - first) * layout.xScale);
        }
        const int y = band.zeroY - Trunc(v * band.scale);
        if (i == first) {
            previousY = y;
        }
        scene.items.push_back(Line(previousX, previousY, x, y));
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
    layout.labelRow = layout.bands.front().bottom + layout.fontHeight - 3;
    for (int j = 0; j <= 8; ++j) {
        const int x = layout.left + (j * (layout.right - layout.left)) / 8;
        double value;
        if (config.logarithmicX) {
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
        scene.items.push_back(Text(x - Trunc((j + 1) * 0.4 * layout.fontHeight), layout.labelRow, value));
    }
}

}  // namespace tressel
