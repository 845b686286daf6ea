#pragma once
// Everything the main window's commands do to files and samples, with their checks, in their order, and
// their messages, in one place. It owns the wave, the filter set, the mixer levels and the channel
// choice. The window is a view over one workbench (it fetches its controls into it, calls a command,
// shows the result and refreshes its displays); every tressel-cli subcommand and every macro line call
// the same entry points.
//
// Commands show nothing and ask nothing themselves (the MP3 settings come through their source), report
// progress through the feedback given at construction and answer with a Result, so they can run on any
// one thread at a time. Every command that changes samples passes through Apply.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/Wave.h"
#include "dsp/FilterCoefficients.h"
#include "mp3enc/Mp3Settings.h"
#include "workbench/AudioFiles.h"
#include "workbench/History.h"
#include "workbench/Mp3Import.h"
#include "workbench/SampleSteps.h"

namespace tressel {

struct LoadOptions {
    Mp3ImportHooks mp3;
    // The window keeps the decoded WAV file of an MP3 import ("Reload Audio" reads it again); everybody
    // else decodes into memory.
    bool keepDecodedFile = false;
    // What the file holds, when the caller looked (a dropped file): decides over the name.
    std::optional<AudioFileKind> kind;
};

// How an MP3 file is written beyond what its settings say.
struct Mp3SaveOptions {
    bool leavePartialFile = true;  // see CMp3Export::SetLeavePartialFile
};

class Workbench {
public:
    // Progress of the long commands goes to `progress` (none: nowhere). It must outlive the workbench.
    explicit Workbench(Feedback* progress = nullptr);
    ~Workbench();  // deletes the decoded file of a window import
    Workbench(const Workbench&) = delete;
    Workbench& operator=(const Workbench&) = delete;

    // ---- Files -----------------------------------------------------------------------------------------
    // "Load Audio" after the file was chosen: a ".wav" name (in any case) is loaded as a WAV file, every
    // other name is imported as MP3, unless the options say what the file holds. On failure the audio
    // in hand stays as it was.
    Result LoadAudio(const std::string& path, const LoadOptions& options = {});
    // "Reload Audio": reads the file again, which undoes all processing.
    Result ReloadAudio();
    // "Select Filter" after the file was chosen: "Could not open file" leaves the filter set empty.
    Result SelectFilter(const std::string& path);
    // "Save Audio" before a name is asked for: "No Wave file to save" when nothing is loaded.
    Result CheckSomethingToSave() const;
    // "Save Audio" after the name was chosen: WAV or MP3 by its extension, "No valid format selected"
    // otherwise; the window's confirmation ("Wave saved", "Loaded File saved as MP3") on success.
    Result SaveAudio(const std::string& path, Mp3SettingsSource& mp3Settings);
    // The image as a WAV file, byte for byte.
    Result SaveWave(const std::string& path);
    // The samples as an MP3 file through the encoder module.
    Result SaveMp3(const std::string& path, Mp3SettingsSource& settings, const Mp3SaveOptions& options = {});
    // The name "Save Audio" proposes: the display name without a four-character extension such as ".wav".
    std::string ProposedSaveName() const;

    // ---- Sample commands -------------------------------------------------------------------------------
    // "Apply Filter": the filter set with the mixer levels over the chosen channels.
    Result ApplyFilter();
    // The Median Filter window's "Apply" over the chosen channels.
    Result ApplyMedian(int length);
    // The Amplify window's proposals; 0.0 marks a channel that is not there.
    Result MeasureGains(double& gain1, double& gain2);
    // "Amplify" in the Effects window before the Amplify window opens: "No valid Wave file loaded" when
    // the wave has no channels.
    Result CheckCanAmplify() const;
    Result Amplify(double gain1, double gain2);
    // Amplifies each channel by its proposed gain.
    Result Normalize();
    // The choke point of every command that changes samples.
    Result Apply(const SampleStep& step);
    // Runs `commands` (a macro's lines) as one step of the history. Stopped part-way (Result::Cancelled), the
    // step puts back the state it started from, earlier commands of it too, when it holds a copy of that
    // state; without one, what the earlier commands did stays and is kept as the step.
    Result AsOneStep(const std::function<Result()>& commands);
    // Whether the last sample command got as far as the samples (so a display of them is out of date),
    // rather than being refused by its own checks first.
    bool LastCommandReachedSamples() const { return m_reachedSamples; }

    // ---- History ---------------------------------------------------------------------------------------
    // From now on every sample command can be undone, within `limits` (the window keeps a history; the
    // command-line tool and batch runs do not pay for the copies).
    void KeepHistory(HistoryLimits limits = {});
    // Undo: the samples, the revision and the applied steps go back to what they were before the last
    // command; Redo: forward again to the state the last undo left. False when there is no such step.
    bool Undo();
    bool Redo();
    bool CanUndo() const { return m_history && m_history->CanUndo(); }
    bool CanRedo() const { return m_history && m_history->CanRedo(); }
    const History* GetHistory() const { return m_history ? &*m_history : nullptr; }

    // ---- Display data ----------------------------------------------------------------------------------
    // The filter response of the current filter set into two buffers of kSpectrumSize values.
    Result ComputeFilterResponse(double* real, double* imag) const;
    // The averaged spectrum of each channel into two buffers of kSpectrumBins values; a wave that is not a
    // PCM wave leaves them as they are.
    Result ComputeAudioSpectrum(double* first, double* second);

    // ---- State -----------------------------------------------------------------------------------------
    CWave& Wave() { return m_wave; }
    const CWave& Wave() const { return m_wave; }
    const CFilterCoefficients& Filter() const { return *m_filter; }
    dsp::MixLevels Levels() const { return m_levels; }
    void SetLevels(dsp::MixLevels levels) { m_levels = levels; }
    ChannelChoice Channels() const { return m_channels; }
    void SetChannels(ChannelChoice channels) { m_channels = channels; }
    // The file name shown for the wave: the WAV file, or the MP3 file an import came from.
    const std::string& DisplayName() const { return m_displayName; }
    const std::optional<std::string>& TemporaryFileName() const { return m_temporaryFileName; }
    // Counts the changes of the samples: every load, reload and sample command that got through moves it
    // on, so two states of the samples with the same revision are the same samples.
    std::uint64_t Revision() const { return m_revision; }
    // The revision last read from or written to a file.
    std::uint64_t SavedRevision() const { return m_savedRevision; }
    // Whether the samples may differ from the file they were loaded from or last saved to.
    bool IsModified() const { return m_revision != m_savedRevision; }
    // The sample commands applied since the audio was last loaded or reloaded, as they ran.
    const std::vector<SampleStep>& AppliedSteps() const { return m_applied; }

private:
    Result ApplyFir(const FirStep& step);
    Result ApplyMedianStep(const MedianStep& step);
    Result ApplyGains(const AmplifyStep& step);
    Result ApplyNormalize();
    Result CheckPcmLoaded() const;
    void StartAudio();
    void MarkSaved() { m_savedRevision = m_revision; }
    void NewRevision();
    void PrepareHistory();
    void SettleHistory(bool changed);
    bool RestorePrepared();
    void DeleteTemporaryFile();

    CWave m_wave;
    std::shared_ptr<CFilterCoefficients> m_filter;
    dsp::MixLevels m_levels;
    ChannelChoice m_channels;
    std::string m_displayName;
    std::optional<std::string> m_temporaryFileName;
    bool m_decodedInMemory = false;  // the wave's file name is then the MP3 file's
    std::uint64_t m_revision = 0;
    std::uint64_t m_savedRevision = 0;
    std::uint64_t m_lastRevision = 0;  // never handed out twice, so an undone state is not taken for a saved one
    std::optional<History> m_history;
    bool m_inOneStep = false;
    bool m_oneStepPrepared = false;
    bool m_oneStepChanged = false;
    bool m_reachedSamples = false;
    std::vector<SampleStep> m_applied;
};

}  // namespace tressel
