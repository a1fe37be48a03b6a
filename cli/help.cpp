#include "cli/help.h"

#include <CLI/CLI.hpp>
#include <map>

namespace vok::cli {

std::vector<std::string> helpArguments(const std::vector<std::string>& args) {
    if (args.empty() || args.front() != "help") return args;
    std::vector<std::string> result(args.begin() + 1, args.end());
    result.push_back("--help");
    return result;
}

void useWindowsExamples(CLI::App& app) {
    app.footer(
        "vok help COMMAND (or vok COMMAND /?) shows the help of a command.\n"
        "In PowerShell a program in the current folder starts as .\\vok, not vok.");
    static const std::map<std::string, std::string> kExamples = {
        {"convert",
         "Examples:\n"
         "  vok convert m01.bms m01.mis                        binary to ascii, same version\n"
         "  vok convert m01.bms m01_lw.bms --to df3            Delta Force 2 to Land Warrior\n"
         "  vok convert C:\\Missions\\*.bms --to df1 --form mis --replace remove -o C:\\Missions\\df1\n"
         "                                                     many missions at once; the folder is made\n"
         "  vok convert C:\\Campaign --to df3 -r --replace-with answers.txt -o C:\\Campaign_lw\n"
         "                                                     a folder and its sub-folders, answered once\n"
         "  vok convert \"C:\\My Missions\\m01.mis\" m01.bms --from df2 --to df1 --replace remove\n"
         "A path in quotes must not end in a backslash: \"C:\\dir\\\" keeps the quote; write \"C:\\dir\"."},
        {"detect",
         std::string(kDetectHelp) +
             "Examples:\n"
             "  vok detect examples\\df2_night_raid.bms\n"
             "  for %f in (examples\\*.bms) do vok detect \"%f\"      one line per file (%%f in a .bat file)"},
        {"info", "Examples:\n  vok info C:\\Missions\\m01.bms\n  vok info m01.mis --from df2 --json"},
        {"check", std::string(kCheckHelp) +
                      "Examples:\n  vok check m01.bms\n  vok check m01.bms --json --strict\n"
                      "  vok check m01.mis --from df3 --lists \"%USERPROFILE%\\Documents\\lists\""},
        {"lists",
         "Examples:\n"
         "  vok lists show df2\n"
         "  vok lists export lists-text && vok lists import lists-text\n"
         "  vok lists learn df3 \"C:\\Games\\Delta Force Land Warrior\\missions\\*.bms\""},
    };
    for (CLI::App* command : app.get_subcommands({})) {
        const auto found = kExamples.find(command->get_name());
        if (found != kExamples.end()) command->footer(found->second);
    }
}

}  // namespace vok::cli
