#include "mp3enc/Mp3Settings.h"

#include <charconv>

namespace tressel {

int BitrateFromText(std::string_view text, Result& notes) {
    for (const std::string_view entry : kMp3BitrateTexts) {
        if (text == entry) {
            int bitrate = 0;
            std::from_chars(entry.data(), entry.data() + entry.size(), bitrate);
            return bitrate;
        }
    }
    notes.AddNote("No valid selection - Encoding with 128 kbit");
    return kDefaultMp3Bitrate;
}

}  // namespace tressel
