#pragma once
// "Apply Filter" from one WAV file straight into another, without waiting for either file as a whole: the
// threads start on the first samples while the rest of the file is still being read, and the finished part
// of the image goes to the new file while later parts are computed. The new file is written through the
// atomic writer, so it appears complete or not at all. The bytes are exactly those of loading the file,
// applying the filter to it and saving it.

#include <cstddef>
#include <optional>
#include <string>

#include "audio/Feedback.h"
#include "audio/Result.h"
#include "dsp/FirEngine.h"
#include "workbench/SampleSteps.h"

namespace tressel {

struct StreamedFirJob {
    // The usual sizes: a header read that holds any ordinary header (a "data" further in sends the file the
    // usual way), reads and chunks small enough that the threads start early and the writer has something
    // soon, large enough that their bookkeeping stays out of sight.
    std::string inputPath;
    std::string outputPath;
    const double* taps = nullptr;
    int count = 0;
    dsp::MixLevels levels;
    ChannelChoice channels;
    // Tests make the pieces small so that every wait and hand-over happens.
    std::size_t headerRead = std::size_t{1} << 16;  // the first read, which must hold the first "data"
    std::size_t readPiece = std::size_t{1} << 20;   // bytes per read after it
    std::int64_t chunkOutputs = std::int64_t{1} << 16;  // outputs a thread takes at once
};

// Nothing when the input is not a PCM WAV file of 1 or 2 channels and 8 or 16 bits with the filter taking
// at least one of them, or when it cannot be read to its end: no file has been written then, and loading,
// filtering and saving the usual way gives the answer and its messages. Otherwise the result of saving.
std::optional<Result> FilterWaveFileStreamed(const StreamedFirJob& job, Feedback& feedback);

}  // namespace tressel
