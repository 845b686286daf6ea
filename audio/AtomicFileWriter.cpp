#include "audio/AtomicFileWriter.h"

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <set>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tressel {

namespace {

// A new file gets the permissions a plain create would give it; a replaced file keeps its own.
mode_t PermissionsFor(const std::string& target) {
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) {
        return existing.st_mode & 07777;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The temporary files of the writers that are open, for RemoveUnfinishedFiles.
class UnfinishedFiles {
public:
    // Makes the temporary file from `pattern` and lists it in one step, so that an interrupt between the
    // two cannot miss it; after StopCreating nothing new is made.
    int Create(std::string& pattern) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopped) {
            errno = EINTR;
            return -1;
        }
        const int descriptor = ::mkstemp(pattern.data());
        if (descriptor >= 0) {
            m_paths.insert(pattern);
        }
        return descriptor;
    }
    // The file has its final name now.
    void Remove(const std::string& path) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_paths.erase(path);
    }
    // Under the lock, so no other writer can be given the same name in between.
    void Unlink(const std::string& path) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        ::unlink(path.c_str());
        m_paths.erase(path);
    }
    // Holds the lock while it works, so no writer renames a file of the list meanwhile.
    void UnlinkAll(bool stopCreating) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        for (const std::string& path : m_paths) {
            ::unlink(path.c_str());
        }
        m_paths.clear();
        m_stopped = m_stopped || stopCreating;
    }

private:
    std::mutex m_mutex;
    std::set<std::string> m_paths;
    bool m_stopped = false;
};

UnfinishedFiles& Unfinished() {
    static UnfinishedFiles files;
    return files;
}

}  // namespace

void RemoveUnfinishedFiles() {
    Unfinished().UnlinkAll(false);
}

void RemoveUnfinishedFilesBeforeExit() {
    Unfinished().UnlinkAll(true);
}

AtomicFileWriter::AtomicFileWriter(std::string targetPath) : m_targetPath(std::move(targetPath)) {}

AtomicFileWriter::~AtomicFileWriter() {
    Discard();
}

bool AtomicFileWriter::Open() {
    Discard();
    std::string pattern = m_targetPath + ".XXXXXX";
    m_descriptor = Unfinished().Create(pattern);
    if (m_descriptor < 0) {
        m_lastError = errno;
        return false;
    }
    m_temporaryPath = pattern;
    if (::fchmod(m_descriptor, PermissionsFor(m_targetPath)) != 0) {
        m_lastError = errno;
        Discard();
        return false;
    }
    return true;
}

bool AtomicFileWriter::Write(const void* data, std::size_t size) {
    return WriteFrom(nullptr, data, size);
}

bool AtomicFileWriter::WriteAt(std::size_t offset, const void* data, std::size_t size) {
    return WriteFrom(&offset, data, size);
}

bool AtomicFileWriter::WriteFrom(std::size_t* offset, const void* data, std::size_t size) {
    if (m_descriptor < 0) {
        m_lastError = EBADF;
        return false;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t written = offset != nullptr ? ::pwrite(m_descriptor, bytes, size, static_cast<off_t>(*offset))
                                                  : ::write(m_descriptor, bytes, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            m_lastError = errno;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
        if (offset != nullptr) {
            *offset += static_cast<std::size_t>(written);
        }
    }
    return true;
}

void AtomicFileWriter::StartWriteBack() {
    if (m_descriptor >= 0) {
        ::sync_file_range(m_descriptor, 0, 0, SYNC_FILE_RANGE_WRITE);
    }
}

bool AtomicFileWriter::Commit() {
    if (m_descriptor < 0) {
        m_lastError = EBADF;
        return false;
    }
    if (::fsync(m_descriptor) != 0 && errno != EINVAL) {
        m_lastError = errno;
        return false;
    }
    const int descriptor = m_descriptor;
    m_descriptor = -1;
    if (::close(descriptor) != 0) {
        m_lastError = errno;
        return false;
    }
    if (::rename(m_temporaryPath.c_str(), m_targetPath.c_str()) != 0) {
        m_lastError = errno;
        return false;
    }
    Unfinished().Remove(m_temporaryPath);
    m_temporaryPath.clear();
    return true;
}

void AtomicFileWriter::Discard() {
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
        m_descriptor = -1;
    }
    if (!m_temporaryPath.empty()) {
        Unfinished().Unlink(m_temporaryPath);
        m_temporaryPath.clear();
    }
}

}  // namespace tressel
