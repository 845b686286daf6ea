#pragma once
// What the MP3 export asks before it encodes: the bitrate and the four header flags. The "MP3 Encoder"
// dialog answers in the window program, the command-line options in the tool.

#include <array>
#include <string>
#include <string_view>

#include "audio/Result.h"

namespace tressel {

// The bitrates offered, in the dialog list's order; they are the MPEG-1 Layer III bitrates in kbit/s.
inline constexpr std::array<std::string_view, 14> kMp3BitrateTexts = {
    "32", "40", "48", "56", "64", "80", "96", "112", "128", "160", "192", "224", "256", "320"};
inline constexpr std::string_view kDefaultMp3BitrateText = "128";
inline constexpr int kDefaultMp3Bitrate = 128;

// The bitrate a text stands for. Only a text equal byte for byte to an entry of the list counts (no
// trimming, no other numbers); anything else adds the note "No valid selection - Encoding with 128 kbit"
// and answers 128.
int BitrateFromText(std::string_view text, Result& notes);

class Mp3SettingsSource {
public:
    virtual ~Mp3SettingsSource() = default;
    // Asks for the settings; false when the user declined, and the export then stops without a word.
    virtual bool RunSettingsDialog() = 0;
    // The chosen bitrate in kbit/s; a choice that was not valid is noted in `notes` (or told to the user
    // at once by a source that is itself a dialog).
    virtual int GetBitrate(Result& notes) = 0;
    // The header flags, 0 or 1.
    virtual int GetCrc() const = 0;
    virtual int GetCopyright() const = 0;
    virtual int GetPrivate() const = 0;
    virtual int GetOriginal() const = 0;
};

struct Mp3Flags {
    bool crc = false;
    bool copyright = false;
    bool privateFlag = false;
    bool original = false;
};

// Settings known before the export starts (the command-line tool, tests): there is nothing to ask, yet the
// bitrate text follows the same rule as the dialog's.
class FixedMp3Settings final : public Mp3SettingsSource {
public:
    FixedMp3Settings(std::string bitrateText, Mp3Flags flags)
        : m_bitrateText(std::move(bitrateText)), m_flags(flags) {}

    bool RunSettingsDialog() override { return true; }
    int GetBitrate(Result& notes) override { return BitrateFromText(m_bitrateText, notes); }
    int GetCrc() const override { return m_flags.crc ? 1 : 0; }
    int GetCopyright() const override { return m_flags.copyright ? 1 : 0; }
    int GetPrivate() const override { return m_flags.privateFlag ? 1 : 0; }
    int GetOriginal() const override { return m_flags.original ? 1 : 0; }

private:
    std::string m_bitrateText;
    Mp3Flags m_flags;
};

}  // namespace tressel
