#include "audio/Mp3Import.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace tressel {

namespace {

bool IsFolder(const char* path) {
    std::error_code error;
    return path && *path && std::filesystem::is_directory(path, error);
}

std::string TemporaryFolder() {
    for (const char* variable : {"TMP", "TMPDIR"}) {
        const char* folder = std::getenv(variable);
        if (IsFolder(folder)) {
            return folder;
        }
    }
    return "/tmp";
}

// Runs the closing step however the decode ends, exceptions included, so the window always comes back.
class ScopeExit {
public:
    explicit ScopeExit(const std::function<void()>& action) : m_action(action) {}
    ~ScopeExit() {
        if (m_action) {
            m_action();
        }
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    const std::function<void()>& m_action;
};

}  // namespace

std::optional<std::string> CreateTemporaryFileName() {
    const std::string pattern = (std::filesystem::path(TemporaryFolder()) / "tslXXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int descriptor = ::mkstemp(name.data());
    if (descriptor < 0) {
        return std::nullopt;
    }
    ::close(descriptor);
    return std::string(name.data());
}

bool ImportMp3(CWave& wave, const std::string& path, Feedback& feedback, std::optional<std::string>& temporaryName,
               const Mp3ImportHooks& hooks) {
    wave.Release();
    temporaryName = CreateTemporaryFileName();
    if (!temporaryName) {
        feedback.ShowMessage("Create temporary filename failed");
        return false;
    }
    std::FILE* output = std::fopen(temporaryName->c_str(), "wb+");
    if (!output) {
        feedback.ShowMessage("Open failed on temporary file");
        return false;
    }
    bool decoded = false;
    {
        if (hooks.beforeDecode) {
            hooks.beforeDecode();
        }
        const ScopeExit showAgain(hooks.afterDecode);
        try {
            decoded = DecodeMp3ToWave(path, output, hooks.progress, hooks.decodeThreads);
        } catch (...) {
            std::fclose(output);
            throw;
        }
        std::fclose(output);
        if (!decoded) {
            feedback.ShowMessage("Failed to decode MP3 file");
            std::remove(temporaryName->c_str());
            temporaryName.reset();
        }
    }
    if (!decoded) {
        return false;
    }
    // The decoder wrote this file itself; a failure to load it has already been reported by the wave.
    return wave.Load(*temporaryName);
}

}  // namespace tressel
