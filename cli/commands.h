#pragma once
// The vok subcommands.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_common.h"

namespace vok::cli {

enum class ReplacePolicy { Fail, Skip, Remove };

struct ConvertOptions {
    std::vector<std::filesystem::path> inputs;  ///< IN OUT, or the inputs of a batch
    std::optional<DfType> from;
    std::optional<DfType> to;
    ReplacePolicy replace = ReplacePolicy::Fail;
    std::optional<std::string> terrain;
    std::optional<MissionForm> form;  ///< batch only
    std::filesystem::path outputFolder;
    bool recursive = false;         ///< batch: folders with their sub-folders
    std::filesystem::path answers;  ///< batch: --replace-with, answers per item type
};

int convertCommand(Context& context, const ConvertOptions& options);
int detectCommand(Context& context, const std::filesystem::path& file);
int infoCommand(Context& context, const std::filesystem::path& file, std::optional<DfType> from, bool json);
/// Prints the findings of checkMission; exit 1 with `strict` when anything was found.
int checkCommand(Context& context, const std::filesystem::path& file, std::optional<DfType> from, bool json,
                 bool strict);

int listsShowCommand(Context& context, std::optional<DfType> version, bool replacements);
int listsExportCommand(Context& context, const std::filesystem::path& folder);
int listsImportCommand(Context& context, const std::filesystem::path& folder);
int listsLearnCommand(Context& context, DfType version, const std::vector<std::filesystem::path>& missions);

}  // namespace vok::cli
