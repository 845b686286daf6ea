#pragma once
// What a "Prism Data" window shows, without the window: the inputs, the configuration, the curves
// derived from them, and the drawing (lines and labels in window coordinates) for a given window size.
// The window and the PNG export both paint a PrismScene; tests inspect it directly.

#include <string>
#include <vector>

namespace tressel {

enum PrismDisplayMode {
    Magnitude = 0,
    FirstArray = 1,
    SecondArray = 2,
    Phase = 3,
    UnwrappedPhase = 4,
    Hidden = 5,
};

// The thirteen values of Configure, in their order.
struct PrismConfiguration {
    int xUnitMode = 0;  // 0: index / count * xFactor, 1: index / xFactor, else the index itself
    double xFactor = 0.0;
    int displayMode1 = Hidden;
    int displayMode2 = Hidden;
    int logarithmicX = 0;
    int dB1 = 0;
    int dB2 = 0;
    int firstIndex = 0;
    int lastIndex = 0;  // equal to firstIndex: the whole array
    double yMin1 = 0.0;  // both ends 0: automatic range
    double yMax1 = 0.0;
    double yMin2 = 0.0;
    double yMax2 = 0.0;
};

// Title and initial outer rectangle (left, top, right, bottom, screen coordinates) of a display window.
struct PrismWindowPlacement {
    const char* title;
    int left, top, right, bottom;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};
inline constexpr PrismWindowPlacement kFilterWindowPlacement{"Prism Data - Filter Frequency", 50, 50, 400, 300};
inline constexpr PrismWindowPlacement kAudioWindowPlacement{"Prism Data - Audio Frequency", 100, 100, 450, 350};

// The filter display: magnitude in dB over the phase of the transform's bins 0..1023.
PrismConfiguration FilterWindowConfiguration();
// The audio display: each channel's magnitude in dB; the second band only for two channels.
PrismConfiguration AudioWindowConfiguration(int channels);

struct PrismLine {
    int x1, y1, x2, y2;
};

struct PrismDrawItem {
    enum Kind { Line, Text } kind;
    PrismLine line;    // Line
    int x = 0, y = 0;  // Text: top-left corner
    std::string text;  // Text
};

struct PrismBand {
    int curve = 0;  // 0 or 1
    int top = 0;
    int bottom = 0;
    int zeroY = 0;  // the horizontal zero axis
    double scale = 0.0;  // pixels per unit
    double yMin = 0.0;
    double yMax = 0.0;
};

struct PrismLayout {
    int left = 0;    // L: left margin, x of the value axes
    int right = 0;   // R: right end of the plots
    int plotHeight = 0;  // P
    int bandGap = 0;     // T
    int fontHeight = 0;  // label font, pixels
    int fontWidth = 0;   // average character width asked of the label font
    double xScale = 0.0;  // pixels per index step (linear) or per decade (logarithmic)
    int labelRow = 0;     // y of the frequency labels
    std::vector<PrismBand> bands;  // the shown curves, top band first
};

struct PrismScene {
    bool complete = false;  // false when the window was too small, nothing was shown, or an inverted
                            // value range stopped the drawing part way
    PrismLayout layout;
    std::vector<PrismDrawItem> items;  // in drawing order
};

// The value-label text: "% 8.2f" for moderate values and exactly 0, "% 8.2g" otherwise.
std::string FormatValueLabel(double value);

class CPrismPlot {
public:
    // Keeps the two input pointers (not owned; they must stay valid until UpdateCurves) and starts two
    // zeroed curves of `count` points.
    void SetData(const double* first, const double* second, int count);
    void Configure(const PrismConfiguration& configuration);
    void Configure(int xUnitMode, double xFactor, int displayMode1, int displayMode2, int logarithmicX, int dB1,
                   int dB2, int firstIndex, int lastIndex, double yMin1, double yMax1, double yMin2, double yMax2);
    // Derives both curves from the inputs by their display modes and finds their extremes.
    void UpdateCurves();

    // The drawing for a window whose outer rectangle is width x height. Settles the index range and the
    // automatic value ranges on the way, as a paint does.
    PrismScene BuildScene(int width, int height);

    int GetCount() const { return m_count; }
    const std::vector<double>& GetCurve(int k) const { return m_curves[k]; }
    double GetComputedMinimum(int k) const { return m_computedMin[k]; }
    double GetComputedMaximum(int k) const { return m_computedMax[k]; }
    const PrismConfiguration& GetConfiguration() const { return m_configuration; }

private:
    void UpdateCurve(int k, int mode, bool dB);
    void FindExtremes(int k);
    void SettleRanges();
    int DisplayMode(int k) const;
    double& YMin(int k);
    double& YMax(int k);
    bool BuildBands(PrismScene& scene);
    void AddCurveLines(PrismScene& scene, const PrismBand& band) const;
    void AddValueLabels(PrismScene& scene, const PrismBand& band) const;
    void AddFrequencyLabels(PrismScene& scene) const;
    static void AddAxes(PrismScene& scene, const PrismBand& band, const PrismLayout& layout);

    const double* m_first = nullptr;
    const double* m_second = nullptr;
    int m_count = 0;
    std::vector<double> m_curves[2];
    PrismConfiguration m_configuration;
    double m_computedMin[2] = {0.0, 0.0};
    double m_computedMax[2] = {0.0, 0.0};
};

}  // namespace tressel
