#pragma once
// What a "Prism Data" window shows, without the window: the inputs, the configuration, the curves
// derived from them, and the drawing (lines and labels in window coordinates) for a given window size.
// The window and the image export both paint a PrismScene; tests inspect it directly.

#include <optional>
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

// Title and initial outer rectangle (left, top, right, bottom, screen coordinates) of a display window,
// the name it keeps its remembered state under, and whether it can show the state before a command.
struct PrismWindowPlacement {
    const char* title;
    int left, top, right, bottom;
    const char* settingsName;
    bool offersBefore;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};
inline constexpr PrismWindowPlacement kFilterWindowPlacement{"Prism Data - Filter Frequency", 50, 50, 400, 300,
                                                             "FilterFrequencyWindow", false};
inline constexpr PrismWindowPlacement kAudioWindowPlacement{"Prism Data - Audio Frequency", 100, 100, 450, 350,
                                                            "AudioFrequencyWindow", true};

// The filter display: magnitude in dB over the phase of the transform's bins 0..1023.
PrismConfiguration FilterWindowConfiguration();
// The audio display: each channel's magnitude in dB; the second band only for two channels.
PrismConfiguration AudioWindowConfiguration(int channels);

// Choices of the person looking, beside the configuration the owner sets on every refresh. The defaults
// leave the drawing exactly as the configuration alone gives it.
struct PrismViewOptions {
    bool frequencyInHz = false;         // label the frequency axis in Hz (x unit mode 0 only)
    double sampleRate = 44100.0;        // what the fraction of the sampling rate is multiplied by
    bool logarithmicFrequency = false;  // a logarithmic axis whatever the configuration says
    bool showBefore = true;             // draw the curves before the last command, when there are some
    bool operator==(const PrismViewOptions&) const = default;
};

// The sampling rate a display's frequencies are given in: the wave's, or 44.1 kHz when there is none
// (a filter looked at before any wave is loaded).
inline constexpr double kDefaultDisplayRate = 44100.0;
inline double DisplaySampleRate(double waveRate) {
    return waveRate > 0 ? waveRate : kDefaultDisplayRate;
}

// The column titles of the exported data, one per curve.
struct PrismCurveNames {
    std::string first;
    std::string second;
};
PrismCurveNames FilterWindowCurveNames();
PrismCurveNames AudioWindowCurveNames();

// Labels are never drawn smaller than this, whatever the window size.
inline constexpr int kMinimumLabelHeight = 9;

struct PrismLine {
    int x1, y1, x2, y2;
};

struct PrismDrawItem {
    enum Kind { Line, Text } kind;
    PrismLine line;    // Line
    int x = 0, y = 0;  // Text: top-left corner, or top centre for a centred one
    std::string text;  // Text
    enum Role { Frame, Curve, BeforeCurve } role = Frame;  // curves are drawn in their own colours
    bool centred = false;
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
// A frequency-axis label in Hz: three significant digits, thousands as "k" ("0", "689", "2.76k", "22.1k").
std::string FormatFrequencyLabel(double hertz);

// What lies under the mouse pointer: the bin at the pointer's x and the value of the curve whose band is
// under it, with the point where the curve is drawn there.
struct PrismReadout {
    int index = 0;
    int curve = 0;
    double value = 0.0;
    int x = 0;
    int y = 0;
};

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

    // The inputs of the state before the last command (count values each, copied), derived and drawn
    // like the current ones behind them while the view options show them. They stay until cleared.
    void SetBeforeData(std::vector<double> first, std::vector<double> second);
    void ClearBeforeData();
    bool HasBeforeData() const { return !m_beforeInputs[0].empty(); }
    bool BeforeDrawn(int k) const;
    const std::vector<double>& GetBeforeCurve(int k) const { return m_beforeCurves[k]; }

    // Changing what the person chose settles the value ranges anew from the last configuration.
    void SetViewOptions(const PrismViewOptions& options);
    const PrismViewOptions& GetViewOptions() const { return m_options; }
    void SetCurveNames(PrismCurveNames names) { m_names = std::move(names); }
    const PrismCurveNames& GetCurveNames() const { return m_names; }

    // The drawing for a window whose outer rectangle is width x height. Settles the index range and the
    // automatic value ranges on the way, as a paint does.
    PrismScene BuildScene(int width, int height);

    // The read-out for the pointer at (x, y) in a scene this plot built; nothing outside the bands.
    std::optional<PrismReadout> ReadoutAt(const PrismScene& scene, int x, int y) const;
    // "2756.2 Hz: -45.20 dB", or with the fraction of the sampling rate when the axis is not in Hz.
    std::string FormatReadout(const PrismReadout& readout) const;
    // The frequency of bin i in Hz at the view's sampling rate.
    double FrequencyOf(int index) const;

    int GetCount() const { return m_count; }
    const std::vector<double>& GetCurve(int k) const { return m_curves[k]; }
    double GetComputedMinimum(int k) const { return m_computedMin[k]; }
    double GetComputedMaximum(int k) const { return m_computedMax[k]; }
    const PrismConfiguration& GetConfiguration() const { return m_configuration; }

private:
    void DeriveBeforeCurves();
    static void FindExtremes(const std::vector<double>& curve, int first, int last, double& low, double& high);
    void SettleRanges();
    int DisplayMode(int k) const;
    bool LogarithmicX() const;
    double& YMin(int k);
    double& YMax(int k);
    bool BuildBands(PrismScene& scene);
    int XOf(int index, const PrismLayout& layout) const;
    static int YOf(double value, const PrismBand& band, bool clampToRange = true);
    void AddCurveLines(PrismScene& scene, const PrismBand& band, const std::vector<double>& curve,
                       PrismDrawItem::Role role) const;
    void AddValueLabels(PrismScene& scene, const PrismBand& band) const;
    void AddFrequencyLabels(PrismScene& scene) const;
    static void AddAxes(PrismScene& scene, const PrismBand& band, const PrismLayout& layout);

    const double* m_first = nullptr;
    const double* m_second = nullptr;
    int m_count = 0;
    std::vector<double> m_curves[2];
    PrismConfiguration m_configuration;  // as settled by the last paint
    PrismConfiguration m_requested;      // as the owner last gave it
    double m_computedMin[2] = {0.0, 0.0};
    double m_computedMax[2] = {0.0, 0.0};
    std::vector<double> m_beforeInputs[2];
    std::vector<double> m_beforeCurves[2];
    double m_beforeMin[2] = {0.0, 0.0};
    double m_beforeMax[2] = {0.0, 0.0};
    PrismViewOptions m_options;
    PrismCurveNames m_names;
};

// The window's curves as a table: a header line, then per bin "bin,frequency in Hz,value,...", one value
// column per drawn curve (current ones first, then the ones before the last command), each number with
// the digits that read back to the same double.
std::string PrismDataCsv(const CPrismPlot& plot);

}  // namespace tressel
