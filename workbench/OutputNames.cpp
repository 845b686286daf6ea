#include "workbench/OutputNames.h"

#include <filesystem>
#include <optional>

namespace tressel {

namespace {

struct NameParts {
    std::string name;
    std::string ext;
    std::string dir;
};

NameParts PartsOf(const std::string& inputPath) {
    const std::filesystem::path input(inputPath);
    NameParts parts;
    parts.name = input.stem().string();
    const std::string extension = input.extension().string();
    parts.ext = extension.empty() ? extension : extension.substr(1);
    parts.dir = input.parent_path().empty() ? "." : input.parent_path().string();
    return parts;
}

// Calls `placeholder` for every {...} and `literal` for the text between them; false at a lone brace.
template <typename Literal, typename Placeholder>
bool WalkTemplate(std::string_view text, Literal&& literal, Placeholder&& placeholder) {
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find_first_of("{}", at);
        if (open == std::string_view::npos) {
            literal(text.substr(at));
            return true;
        }
        const std::size_t close = text[open] == '{' ? text.find('}', open) : std::string_view::npos;
        if (close == std::string_view::npos || text.substr(open + 1, close - open - 1).find('{') != std::string_view::npos) {
            return false;
        }
        literal(text.substr(at, open - at));
        if (!placeholder(text.substr(open + 1, close - open - 1))) {
            return false;
        }
        at = close + 1;
    }
    return true;
}

}  // namespace

Result CheckNameTemplate(std::string_view nameTemplate) {
    if (nameTemplate.empty()) {
        return Result::Failure("the file name is empty");
    }
    std::optional<std::string> unknown;
    const bool wellFormed = WalkTemplate(
        nameTemplate, [](std::string_view) {},
        [&](std::string_view key) {
            if (key == "name" || key == "ext" || key == "dir") {
                return true;
            }
            unknown = std::string(key);
            return false;
        });
    if (unknown) {
        return Result::Failure("unknown placeholder {" + *unknown + "}; use {name}, {ext} or {dir}");
    }
    if (!wellFormed) {
        return Result::Failure("a brace without its partner in " + std::string(nameTemplate));
    }
    return {};
}

std::string ExpandOutputName(std::string_view nameTemplate, const std::string& inputPath,
                             const std::string& outFolder) {
    const NameParts parts = PartsOf(inputPath);
    std::string expanded;
    WalkTemplate(
        nameTemplate, [&](std::string_view text) { expanded += text; },
        [&](std::string_view key) {
            expanded += key == "name" ? parts.name : key == "ext" ? parts.ext : parts.dir;
            return true;
        });
    const std::filesystem::path name(expanded);
    if (name.is_absolute()) {
        return name.lexically_normal().string();
    }
    const std::filesystem::path folder(outFolder.empty() ? parts.dir : outFolder);
    return (folder / name).lexically_normal().string();
}

}  // namespace tressel
