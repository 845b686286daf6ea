#include "audio/FileExport.h"

#include "audio/AtomicFileWriter.h"
#include "audio/Feedback.h"

namespace tressel {

Result ExportFile(const std::string& path, std::string_view bytes) {
    AtomicFileWriter writer(path);
    if (!writer.Open()) {
        return Result::Failure("Could not open File");
    }
    if (!writer.Write(bytes.data(), bytes.size()) || !writer.Commit()) {
        const int error = writer.LastError();
        writer.Discard();
        return FileError(error, path);
    }
    return {};
}

}  // namespace tressel
