#include "mp3enc/Mp3OutputFile.h"

#include <sys/stat.h>
#include <unistd.h>

namespace tressel {

bool Mp3OutputFile::Open() {
    const std::string& target = m_writer.TargetPath();
    struct stat existing {};
    m_targetExisted = ::stat(target.c_str(), &existing) == 0;
    // Opening the target itself for writing would fail on a folder or a read-only file; so does this.
    if (m_targetExisted && (!S_ISREG(existing.st_mode) || ::access(target.c_str(), W_OK) != 0)) {
        return false;
    }
    return m_writer.Open();
}

bool Mp3OutputFile::Write(const void* data, std::size_t size) {
    return size == 0 || m_writer.Write(data, size);
}

bool Mp3OutputFile::WriteAt(std::size_t offset, const void* data, std::size_t size) {
    return size == 0 || m_writer.WriteAt(offset, data, size);
}

bool Mp3OutputFile::Finish() {
    if (m_writer.Commit()) {
        return true;
    }
    m_writer.Discard();
    return false;
}

void Mp3OutputFile::Abandon() {
    if (m_targetExisted || !m_leavePartialFile || !m_writer.Commit()) {
        m_writer.Discard();
    }
}

}  // namespace tressel
