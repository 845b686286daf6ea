#include "workbench/MacroRunner.h"

#include <filesystem>
#include <map>

#include "workbench/OutputNames.h"
#include "workbench/Overloaded.h"

namespace tressel {

namespace {

// The name of a file as the file system resolves it, whether or not it exists yet.
std::string FileIdentity(const std::string& path) {
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    if (!error) {
        return resolved.string();
    }
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return (error ? std::filesystem::path(path) : absolute).lexically_normal().string();
}

void CreateFolderOf(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ignored;  // a folder that cannot be made shows as the write's own failure
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ignored);
    }
}

Result Save(Workbench& workbench, const std::string& path) {
    CreateFolderOf(path);
    return workbench.SaveWave(path);
}

Result Encode(Workbench& workbench, const std::string& path, const EncodeArguments& encode) {
    CreateFolderOf(path);
    FixedMp3Settings settings(encode.bitrateText, encode.flags);
    // A partial file would pass for a finished one when a run is resumed.
    return workbench.SaveMp3(path, settings, Mp3SaveOptions{false});
}

}  // namespace

std::vector<std::string> PlannedOutputs(const Macro& macro, const MacroOutputPlace& place) {
    std::vector<std::string> outputs;
    for (const MacroLine& line : macro.lines) {
        if (const auto* save = std::get_if<MacroSave>(&line.command)) {
            outputs.push_back(ExpandOutputName(save->nameTemplate, place.inputPath, place.outFolder));
        } else if (const auto* encode = std::get_if<MacroEncode>(&line.command)) {
            outputs.push_back(ExpandOutputName(encode->nameTemplate, place.inputPath, place.outFolder));
        }
    }
    return outputs;
}

Result CheckOutputsAreDistinct(const std::vector<std::string>& inputs,
                               const std::vector<std::vector<std::string>>& outputs) {
    std::map<std::string, std::string> inputByIdentity;
    for (const std::string& input : inputs) {
        inputByIdentity.emplace(FileIdentity(input), input);
    }
    std::map<std::string, std::string> writerByIdentity;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        for (const std::string& output : outputs[i]) {
            const std::string identity = FileIdentity(output);
            if (const auto input = inputByIdentity.find(identity); input != inputByIdentity.end()) {
                return Result::Failure(output + " would overwrite the input " + input->second);
            }
            const auto [writer, added] = writerByIdentity.emplace(identity, inputs[i]);
            if (!added) {
                return Result::Failure(output + " would be written twice, for " + writer->second + " and for " +
                                       inputs[i]);
            }
        }
    }
    return {};
}

Result RunMacro(Workbench& workbench, const Macro& macro, const MacroOutputPlace& place) {
    if (!workbench.Wave().IsPcm()) {
        return Result::Failure("No valid Wave file loaded");
    }
    const std::vector<std::string> outputs = PlannedOutputs(macro, place);
    Result result = CheckOutputsAreDistinct({place.inputPath}, {outputs});
    if (!result) {
        return result;
    }
    std::size_t nextOutput = 0;
    for (const MacroLine& line : macro.lines) {
        result.Append(std::visit(
            Overloaded{[&](const MacroFir& fir) {
                           return workbench.Apply(FirStep{fir.filter, fir.arguments.levels, fir.arguments.channels});
                       },
                       [&](const MacroSave&) { return Save(workbench, outputs[nextOutput++]); },
                       [&](const MacroEncode& encode) {
                           return Encode(workbench, outputs[nextOutput++], encode.encode);
                       },
                       [&](const auto& step) { return workbench.Apply(step); }},
            line.command));
        if (!result) {
            break;
        }
    }
    return result;
}

}  // namespace tressel
