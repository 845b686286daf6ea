#pragma once
// The file an MP3 export writes. The bytes go to a temporary file beside the target, which replaces the
// target when the export succeeds. When the export fails, a file that was there before stays untouched;
// when there was none, what had been written so far (possibly nothing) is left under the target's name,
// so the user sees how far the export came, unless the caller wants no partial file at all.

#include <cstddef>
#include <string>

#include "audio/AtomicFileWriter.h"

namespace tressel {

class Mp3OutputFile {
public:
    explicit Mp3OutputFile(std::string path, bool leavePartialFile = true)
        : m_writer(std::move(path)), m_leavePartialFile(leavePartialFile) {}

    // False when the target cannot be written (then nothing was created).
    bool Open();
    bool Write(const void* data, std::size_t size);
    // Overwrites bytes already written, from `offset` on.
    bool WriteAt(std::size_t offset, const void* data, std::size_t size);
    // Puts the complete file in place; false when that fails.
    bool Finish();
    // The export failed; see above for what is left.
    void Abandon();
    // The user stopped the export: no file of it is left, and an older one stays as it was.
    void Discard() { m_writer.Discard(); }

private:
    AtomicFileWriter m_writer;
    bool m_leavePartialFile;
    bool m_targetExisted = false;
};

}  // namespace tressel
