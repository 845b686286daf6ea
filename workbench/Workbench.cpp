#include "workbench/Workbench.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "mp3enc/Mp3Export.h"
#include "spectrum/FilterResponse.h"
#include "workbench/AudioFiles.h"
#include "workbench/Overloaded.h"

namespace tressel {

namespace {

// Progress that goes where it went but can no longer be stopped: for a command whose starting state
// could not be copied, which therefore could not be put back.
class UnstoppableProgress final : public ProgressSink {
public:
    explicit UnstoppableProgress(std::unique_ptr<ProgressSink> inner) : m_inner(std::move(inner)) {}
    void SetRange(int low, int high) override { m_inner->SetRange(low, high); }
    void Show() override { m_inner->Show(); }
    void SetPosition(int position) override { m_inner->SetPosition(position); }
    void SetLabel(std::string_view label) override { m_inner->SetLabel(label); }

private:
    std::unique_ptr<ProgressSink> m_inner;
};

class UnstoppableFeedback final : public Feedback {
public:
    explicit UnstoppableFeedback(Feedback& inner) : m_inner(inner) {}
    void ShowMessage(std::string_view text, MessageIcon icon) override { m_inner.ShowMessage(text, icon); }
    std::unique_ptr<ProgressSink> CreateProgress() override {
        return std::make_unique<UnstoppableProgress>(m_inner.CreateProgress());
    }

private:
    Feedback& m_inner;
};

// The wave reports to `replacement` for as long as this lives.
class FeedbackSwap {
public:
    FeedbackSwap(CWave& wave, Feedback* replacement) : m_wave(wave), m_original(&wave.GetFeedback()) {
        if (replacement) {
            wave.SetFeedback(replacement);
        }
    }
    ~FeedbackSwap() { m_wave.SetFeedback(m_original); }
    FeedbackSwap(const FeedbackSwap&) = delete;
    FeedbackSwap& operator=(const FeedbackSwap&) = delete;

private:
    CWave& m_wave;
    Feedback* m_original;
};

}  // namespace

Workbench::Workbench(Feedback* progress) : m_filter(std::make_shared<CFilterCoefficients>()) {
    m_wave.SetFeedback(progress);
}

Workbench::~Workbench() {
    DeleteTemporaryFile();
}

void Workbench::DeleteTemporaryFile() {
    if (m_temporaryFileName) {
        std::remove(m_temporaryFileName->c_str());
        m_temporaryFileName.reset();
    }
}

// A load starts a new piece of work, whatever comes of it: new samples that match their file, or none.
void Workbench::StartAudio() {
    m_applied.clear();
    NewRevision();
    MarkSaved();
    if (m_history) {
        m_history->Clear();
    }
}

void Workbench::NewRevision() {
    m_revision = ++m_lastRevision;
}

// ---- Files ------------------------------------------------------------------------------------------------

// The file goes into a wave of its own, so a file that fails leaves the work in hand as it was.
Result Workbench::LoadAudio(const std::string& path, const LoadOptions& options) {
    CWave incoming;
    incoming.SetFeedback(&m_wave.GetFeedback());
    std::optional<std::string> temporaryFileName;
    const bool wave = options.kind.value_or(KindByName(path)) == AudioFileKind::Wave;
    const bool inMemory = !wave && !options.keepDecodedFile;
    Result loaded;
    try {
        if (wave) {
            loaded = LoadWaveFile(incoming, path);
        } else if (!inMemory) {
            loaded = ImportMp3(incoming, path, temporaryFileName, options.mp3);
        } else {
            loaded = DecodeMp3IntoWave(incoming, path, options.mp3);
        }
    } catch (const std::bad_alloc&) {
        loaded = OutOfMemory();
    }
    if (!loaded) {
        if (temporaryFileName) {
            std::remove(temporaryFileName->c_str());
        }
        return loaded;
    }
    DeleteTemporaryFile();
    m_temporaryFileName = std::move(temporaryFileName);
    m_wave.TakeImageFrom(incoming);
    StartAudio();
    m_decodedInMemory = inMemory;
    m_displayName = path;
    return loaded;
}

Result Workbench::ReloadAudio() {
    if (m_wave.IsLoaded()) {
        StartAudio();
    }
    try {
        // Audio decoded in memory has no WAV file to read again: the MP3 file is decoded anew.
        if (m_wave.IsLoaded() && m_decodedInMemory) {
            const std::string name = m_wave.GetFileName();  // a decode starts by emptying the wave
            return DecodeMp3IntoWave(m_wave, name);
        }
        return m_wave.Reload();
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    }
}

Result Workbench::SelectFilter(const std::string& path) {
    // A new set rather than a re-read of the old one: steps already applied keep the taps they ran with.
    auto filter = std::make_shared<CFilterCoefficients>();
    const bool read = filter->Read(path);
    m_filter = std::move(filter);
    return read ? Result() : Result::Failure("Could not open file");
}

Result Workbench::CheckSomethingToSave() const {
    return m_wave.IsLoaded() ? Result() : Result::Failure("No Wave file to save");
}

Result Workbench::SaveAudio(const std::string& path, Mp3SettingsSource& mp3Settings) {
    const std::string extension = LowerCaseExtension(path);
    if (extension == "wav") {
        Result saved = SaveWave(path);
        return saved ? saved.Append(Result::Confirmation("Wave saved")) : saved;
    }
    if (extension == "mp3") {
        Result saved = SaveMp3(path, mp3Settings);
        return saved ? saved.Append(Result::Confirmation("Loaded File saved as MP3")) : saved;
    }
    return Result::Failure("No valid format selected");
}

Result Workbench::SaveWave(const std::string& path) {
    Result saved = m_wave.Save(path);
    if (saved) {
        MarkSaved();
    }
    return saved;
}

Result Workbench::SaveMp3(const std::string& path, Mp3SettingsSource& settings, const Mp3SaveOptions& options) {
    if (Result rate = CheckMp3SampleRate(m_wave); !rate) {
        return rate;
    }
    CMp3Export exporter(settings);
    exporter.SetLeavePartialFile(options.leavePartialFile);
    Result saved = exporter.Export(path, m_wave);
    if (saved) {
        MarkSaved();
    }
    return saved;
}

std::string Workbench::ProposedSaveName() const {
    const std::size_t n = m_displayName.size();
    if (n <= 4) {
        return {};
    }
    return m_displayName[n - 4] == '.' ? m_displayName.substr(0, n - 4) : m_displayName;
}

// ---- Sample commands ------------------------------------------------------------------------------------

Result Workbench::ApplyFilter() {
    m_reachedSamples = false;
    if (m_filter->GetCount() <= 0) {
        return Result::Failure("No filter specified");
    }
    return Apply(FirStep{m_filter, m_levels, m_channels});
}

Result Workbench::ApplyMedian(int length) {
    return Apply(MedianStep{length, m_channels});
}

Result Workbench::MeasureGains(double& gain1, double& gain2) {
    return m_wave.MeasureGains(gain1, gain2);
}

Result Workbench::CheckCanAmplify() const {
    return m_wave.GetChannels() == 0 ? Result::Failure("No valid Wave file loaded") : Result();
}

Result Workbench::Amplify(double gain1, double gain2) {
    return Apply(AmplifyStep{gain1, gain2});
}

Result Workbench::Normalize() {
    return Apply(NormalizeStep{});
}

Result Workbench::CheckPcmLoaded() const {
    return m_wave.IsPcm() ? Result() : Result::Failure("No valid Wave file loaded");
}

Result Workbench::Apply(const SampleStep& step) {
    m_reachedSamples = false;
    if (Result loaded = CheckPcmLoaded(); !loaded) {
        return loaded;
    }
    m_reachedSamples = true;
    PrepareHistory();
    // Only a command whose starting state is in hand may be stopped part-way. Within a macro that is the
    // state before the macro's first command, which the whole macro then goes back to.
    const bool restorable = m_history && m_history->Prepared() != nullptr;
    UnstoppableFeedback unstoppable(m_wave.GetFeedback());
    const FeedbackSwap swap(m_wave, restorable ? nullptr : &unstoppable);
    Result applied;
    try {
        applied = std::visit(Overloaded{[this](const FirStep& fir) { return ApplyFir(fir); },
                                        [this](const MedianStep& median) { return ApplyMedianStep(median); },
                                        [this](const AmplifyStep& gains) { return ApplyGains(gains); },
                                        [this](const NormalizeStep&) { return ApplyNormalize(); }},
                             step);
    } catch (const std::bad_alloc&) {
        applied = OutOfMemory();
    }
    if (applied) {
        NewRevision();
        m_applied.push_back(step);
    }
    SettleHistory(static_cast<bool>(applied));
    return applied;
}

Result Workbench::AsOneStep(const std::function<Result()>& commands) {
    if (!m_history || m_inOneStep) {
        return commands();
    }
    m_inOneStep = true;
    m_oneStepPrepared = false;
    m_oneStepChanged = false;
    Result result;
    try {
        result = commands();
    } catch (...) {
        m_inOneStep = false;
        SettleHistory(m_oneStepChanged);
        throw;
    }
    m_inOneStep = false;
    if (!result.WasCancelled() || !RestorePrepared()) {
        SettleHistory(m_oneStepChanged);
    }
    return result;
}

// ---- History ------------------------------------------------------------------------------------------

void Workbench::KeepHistory(HistoryLimits limits) {
    m_history.emplace(limits);
}

// Within one step only its first command takes the copy.
void Workbench::PrepareHistory() {
    if (!m_history || (m_inOneStep && m_oneStepPrepared)) {
        return;
    }
    m_oneStepPrepared = m_inOneStep;
    m_history->Prepare(m_wave.GetImage(), m_wave.GetImageLength(), m_revision, m_applied);
}

// A command that failed part-way puts back the bytes it started from, so it leaves the samples as they were.
void Workbench::SettleHistory(bool changed) {
    if (!m_history) {
        return;
    }
    if (m_inOneStep) {
        m_oneStepChanged = m_oneStepChanged || changed;
        return;
    }
    if (changed) {
        m_history->Commit();
        return;
    }
    if (!RestorePrepared()) {
        m_history->Discard();
    }
}

// The samples, the revision and the list of applied commands as the prepared copy holds them; false
// when there is no such copy (or it no longer fits the wave).
bool Workbench::RestorePrepared() {
    const WorkState* before = m_history ? m_history->Prepared() : nullptr;
    if (before == nullptr || before->image.size() != m_wave.GetImageLength()) {
        return false;
    }
    std::copy(before->image.begin(), before->image.end(), m_wave.GetImage());
    m_revision = before->revision;
    m_applied = before->applied;
    m_history->Discard();
    return true;
}

bool Workbench::Undo() {
    return m_history && m_wave.IsLoaded() &&
           m_history->Undo(m_wave.GetImage(), m_wave.GetImageLength(), m_revision, m_applied);
}

bool Workbench::Redo() {
    return m_history && m_wave.IsLoaded() &&
           m_history->Redo(m_wave.GetImage(), m_wave.GetImageLength(), m_revision, m_applied);
}

Result Workbench::ApplyFir(const FirStep& step) {
    const CFilterCoefficients& filter = *step.filter;
    return m_wave.ApplyFir(filter.GetCoefficients(), filter.GetCount(), step.channels.channel1 ? 1 : 0,
                           step.channels.channel2 ? 1 : 0, step.levels.filtered, step.levels.original);
}

Result Workbench::ApplyMedianStep(const MedianStep& step) {
    return m_wave.ApplyMedian(step.length, step.channels.channel1 ? 1 : 0, step.channels.channel2 ? 1 : 0);
}

Result Workbench::ApplyGains(const AmplifyStep& step) {
    return m_wave.ApplyGains(step.gain1, step.gain2);
}

Result Workbench::ApplyNormalize() {
    double gain1 = 0.0;
    double gain2 = 0.0;
    if (Result measured = m_wave.MeasureGains(gain1, gain2); !measured) {
        return measured;
    }
    return m_wave.ApplyGains(gain1, gain2);
}

// ---- Display data ---------------------------------------------------------------------------------------

Result Workbench::ComputeFilterResponse(double* real, double* imag) const {
    return tressel::ComputeFilterResponse(m_filter->GetCoefficients(), std::max(m_filter->GetCount(), 0), real,
                                          imag);
}

Result Workbench::ComputeAudioSpectrum(double* first, double* second) {
    if (!m_wave.IsPcm()) {
        return {};
    }
    try {
        return m_wave.ComputeSpectrum(first, second, kSpectrumBins);
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    }
}

}  // namespace tressel
