#include "workbench/Mp3Import.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <system_error>
#include <vector>

#include "audio/ThreadBudget.h"
#include "mp3dec/decode_stream.h"
#include "mp3dec/decoder.h"

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

// The caller's count, or every core within the calling thread's budget.
int DecodeThreads(const Mp3ImportHooks& hooks) {
    return WithinThreadBudget(mp3dec::decode_thread_count(hooks.decodeThreads));
}

// Thrown out of the decoder's progress report when the user stops the import; the decoder lets it pass
// (its threads are joined and its memory freed on the way out) and the import catches it.
struct ImportCancelled {};

// The hooks' progress, followed by the question whether to go on.
mp3dec::DecodeProgressFn CancellableProgress(const Mp3ImportHooks& hooks) {
    if (!hooks.cancelRequested) {
        return hooks.progress;
    }
    return [&hooks](int frames) {
        if (hooks.progress) {
            hooks.progress(frames);
        }
        if (frames != -1 && hooks.cancelRequested()) {
            throw ImportCancelled{};
        }
    };
}

Result CancelledImport(const Mp3ImportHooks& hooks) {
    if (hooks.progress) {
        hooks.progress(-1);
    }
    return Result::Cancelled();
}

// The decoded WAV image, or why there is none.
Result DecodeToImage(const std::string& path, const Mp3ImportHooks& hooks, WaveImage& image) {
    if (hooks.beforeDecode) {
        hooks.beforeDecode();
    }
    mp3dec::DecodeSettings settings;
    settings.threads = DecodeThreads(hooks);
    settings.gapless = hooks.gapless;
    const mp3dec::DiagnosticFn& diagnostic = hooks.diagnostics ? hooks.diagnostics : mp3dec::print_diagnostic;
    try {
        mp3dec::WaveBytesIn<WaveImage> bytes(image);
        if (mp3dec::decode_file_into_wave(path, settings, CancellableProgress(hooks), diagnostic, bytes,
                                          hooks.expectedFrames)
                .result != 0) {
            return Result::Failure("Failed to decode MP3 file");
        }
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    } catch (const ImportCancelled&) {
        return CancelledImport(hooks);
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
    std::FILE* output = std::fopen(temporaryName->c_str(), "wb+");
    if (!output) {
        return Result::Failure("Open failed on temporary file");
    }
    if (hooks.beforeDecode) {
        hooks.beforeDecode();
    }
    // The file driver, so that the window's import prints exactly what it always printed.
    bool decoded = false;
    bool cancelled = false;
    try {
        decoded = DecodeMp3ToWave(path, output, CancellableProgress(hooks), DecodeThreads(hooks), hooks.gapless,
                                  hooks.expectedFrames);
    } catch (const ImportCancelled&) {
        cancelled = true;
    }
    std::fclose(output);
    if (cancelled) {
        std::remove(temporaryName->c_str());
        temporaryName.reset();
        return CancelledImport(hooks);
    }
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
    WaveImage image;
    if (Result decoded = DecodeToImage(path, hooks, image); !decoded) {
        return decoded;
    }
    wave.Adopt(std::move(image), path);
    return {};
}

}  // namespace tressel
