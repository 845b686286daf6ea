#pragma once
// Saving the wave as an MP3 file through the encoder module, loaded only when an export runs.

#include <cstdint>
#include <string>

#include "audio/Wave.h"
#include "mp3enc/EncoderLibrary.h"
#include "mp3enc/Mp3Settings.h"

// One export: created for it, used once. Progress goes through the wave's feedback, messages come back in
// the result.
class CMp3Export {
public:
    // The platform's loader and the module of kEncoderModuleName.
    explicit CMp3Export(tressel::Mp3SettingsSource& settings);
    // Another loader or module (tests use stub modules).
    CMp3Export(tressel::Mp3SettingsSource& settings, tressel::EncoderLibrary& library, std::string moduleName);
    virtual ~CMp3Export() = default;
    CMp3Export(const CMp3Export&) = delete;
    CMp3Export& operator=(const CMp3Export&) = delete;

    // Succeeds when the file was written completely; declined (no message) when the user closed the
    // settings.
    tressel::Result Export(const std::string& path, CWave& wave);

    // Whether a failed export that replaced no file leaves what it wrote so far under the target's name
    // (the window shows the user how far it came) or nothing at all (a batch run, where a partial file
    // would pass for a finished one). The default is the window's.
    void SetLeavePartialFile(bool leave) { m_leavePartialFile = leave; }

private:
    tressel::Mp3SettingsSource& m_settings;
    tressel::EncoderLibrary* m_library = nullptr;
    std::string m_moduleName;
    bool m_leavePartialFile = true;
};

namespace tressel {

// 44100, 48000 and 32000 Hz: the rates of MPEG-1 audio.
bool IsMp3SampleRate(std::uint32_t samplesPerSecond);

// "SamplesPerSecond is not a supported frequency.\nOnly 32000, 44100 and 48000 supported." when the wave's
// rate cannot be encoded.
Result CheckMp3SampleRate(const CWave& wave);

}  // namespace tressel
