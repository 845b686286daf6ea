#pragma once
// Writes a file so that an existing file of that name is replaced only by a complete new one: the bytes
// go to a temporary file in the same folder, which is flushed to disk and then renamed over the target.
// A failure at any point leaves the old file as it was and removes the temporary one.

#include <cstddef>
#include <string>

namespace tressel {

class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string targetPath);
    ~AtomicFileWriter();  // discards an uncommitted temporary file
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file; false when the folder does not let us (errno in LastError).
    bool Open();
    bool Write(const void* data, std::size_t size);
    // Overwrites bytes already written (a header whose values are known only at the end).
    bool WriteAt(std::size_t offset, const void* data, std::size_t size);
    // Starts writing what has been written so far to disk without waiting for it, so that a writer that
    // produces its bytes over time leaves less for Commit to wait on.
    void StartWriteBack();
    // Flushes, closes and renames over the target; false (and nothing replaced) on any failure.
    bool Commit();
    void Discard();

    int LastError() const { return m_lastError; }
    const std::string& TargetPath() const { return m_targetPath; }

private:
    // Writes at the current end, or at *offset when given.
    bool WriteFrom(std::size_t* offset, const void* data, std::size_t size);

    std::string m_targetPath;
    std::string m_temporaryPath;
    int m_descriptor = -1;
    int m_lastError = 0;
};

// Removes the temporary file of every writer that has not finished, for a process that is about to end
// abruptly (an interrupted batch run), so that no partial file stays behind. Any thread may call it; it
// waits for a writer that is just putting its file in place.
void RemoveUnfinishedFiles();
// The same for a process that ends next: the workers still running can start no new file meanwhile, their
// Open fails instead.
void RemoveUnfinishedFilesBeforeExit();

}  // namespace tressel
