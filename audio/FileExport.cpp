#include "audio/FileExport.h"

#include "audio/AtomicFileWriter.h"

namespace tressel {

bool ExportFile(const std::string& path, std::string_view bytes, Feedback& feedback) {
    AtomicFileWriter writer(path);
    if (!writer.Open()) {
        feedback.ShowMessage("Could not open File");
        return false;
    }
    if (!writer.Write(bytes.data(), bytes.size()) || !writer.Commit()) {
        const int error = writer.LastError();
        writer.Discard();
        AbortWithFileError(feedback, error, path);
    }
    return true;
}

}  // namespace tressel
