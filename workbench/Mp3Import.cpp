#include "workbench/Mp3Import.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
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

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Runs the decoder into `output` between the hooks; false when it did not decode.
bool Decode(const std::string& path, std::FILE* output, const Mp3ImportHooks& hooks) {
    if (hooks.beforeDecode) {
        hooks.beforeDecode();
    }
    std::optional<mp3dec::DiagnosticSinkScope> diagnostics;
    if (hooks.diagnostics) {
        diagnostics.emplace(hooks.diagnostics);
    }
    return DecodeMp3ToWave(path, output, hooks.progress);
}

// A file that lives in memory only: the decoder needs a stream it can seek in, nothing needs a name.
FileHandle OpenMemoryFile() {
    const int descriptor = ::memfd_create("tressel-decode", MFD_CLOEXEC);
    if (descriptor >= 0) {
        if (std::FILE* file = ::fdopen(descriptor, "wb+")) {
            return FileHandle(file);
        }
        ::close(descriptor);
    }
    return FileHandle(std::tmpfile());
}

// The whole content of a rewound stream.
Result ReadAll(std::FILE* file, std::vector<std::uint8_t>& bytes) {
    if (std::fseek(file, 0, SEEK_END) != 0) {
        return Result::Failure("Failed to decode MP3 file");
    }
    const long size = std::ftell(file);
    std::rewind(file);
    if (size < 0) {
        return Result::Failure("Failed to decode MP3 file");
    }
    try {
        bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    }
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        return Result::Failure("Failed to decode MP3 file");
    }
    return {};
}

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

Result ImportMp3(CWave& wave, const std::string& path, std::optional<std::string>& temporaryName,
                 const Mp3ImportHooks& hooks) {
    wave.Release();
    temporaryName = CreateTemporaryFileName();
    if (!temporaryName) {
        return Result::Failure("Create temporary filename failed");
    }
    FileHandle output(std::fopen(temporaryName->c_str(), "wb+"));
    if (!output) {
        return Result::Failure("Open failed on temporary file");
    }
    const bool decoded = Decode(path, output.get(), hooks);
    output.reset();
    if (!decoded) {
        std::remove(temporaryName->c_str());
        temporaryName.reset();
        return Result::Failure("Failed to decode MP3 file");
    }
    // The decoder wrote this file itself; should it fail to load, the wave stays empty and says why.
    return wave.Load(*temporaryName);
}

Result DecodeMp3IntoWave(CWave& wave, const std::string& path, const Mp3ImportHooks& hooks) {
    wave.Release();
    const FileHandle output = OpenMemoryFile();
    if (!output) {
        return Result::Failure("Open failed on temporary file");
    }
    if (!Decode(path, output.get(), hooks)) {
        return Result::Failure("Failed to decode MP3 file");
    }
    std::vector<std::uint8_t> image;
    if (Result read = ReadAll(output.get(), image); !read) {
        return read;
    }
    wave.Adopt(std::move(image), path);
    return {};
}

}  // namespace tressel
