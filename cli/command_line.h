#pragma once
// vok's command line (CLI11): each command file adds its subcommand with its options; run() reads
// the line and runs the command it chose, inside its handling of usage errors and failures.

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/commands.h"

namespace vok::cli {

/// A subcommand and what runs when the line chose it.
using Commands = std::vector<std::pair<CLI::App*, std::function<int()>>>;

/// df1, df2 or df3, in any letter case.
CLI::Validator versionValidator();
/// The version an option names; nullopt when the option was not given.
std::optional<DfType> versionOption(const std::string& text);

void addConvertCommand(CLI::App& app, Context& context, Commands& commands);
void addDetectCommand(CLI::App& app, Context& context, Commands& commands);
void addInfoCommand(CLI::App& app, Context& context, Commands& commands);
void addCheckCommand(CLI::App& app, Context& context, Commands& commands);
/// lists show, export, import and learn.
void addListsCommands(CLI::App& app, Context& context, Commands& commands);

}  // namespace vok::cli
