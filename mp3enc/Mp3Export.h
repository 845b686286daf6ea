#pragma once
// Saving the wave as an MP3 file through the encoder module, loaded only when an export runs.

#include <cstdint>
#include <string>

#include "audio/Wave.h"
#include "mp3enc/EncoderLibrary.h"
#include "mp3enc/Mp3Settings.h"

// One export: created for it, used once. Messages and progress go through the wave's feedback.
class CMp3Export {
public:
    // The platform's loader and the module of kEncoderModuleName.
    explicit CMp3Export(tressel::Mp3SettingsSource& settings);
    // Another loader or module (tests use stub modules).
    CMp3Export(tressel::Mp3SettingsSource& settings, tressel::EncoderLibrary& library, std::string moduleName);
    virtual ~CMp3Export() = default;
    CMp3Export(const CMp3Export&) = delete;
    CMp3Export& operator=(const CMp3Export&) = delete;

    // True when the file was written completely. On false every message has been shown, or the user
    // declined the settings.
    bool Export(const std::string& path, CWave& wave);

private:
    tressel::Mp3SettingsSource& m_settings;
    tressel::EncoderLibrary* m_library = nullptr;
    std::string m_moduleName;
};

namespace tressel {

// 44100, 48000 and 32000 Hz: the rates of MPEG-1 audio.
bool IsMp3SampleRate(std::uint32_t samplesPerSecond);

// False, after "SamplesPerSecond is not a supported frequency.\nOnly 32000, 44100 and 48000 supported."
// was shown, when the wave's rate cannot be encoded.
bool CheckMp3SampleRate(const CWave& wave, Feedback& feedback);

// The MP3 branch of "Save Audio": the sample-rate check, the export, and "Loaded File saved as MP3" when it
// succeeded. Messages go through the wave's feedback.
bool SaveWaveAsMp3(CWave& wave, const std::string& path, Mp3SettingsSource& settings);

}  // namespace tressel
