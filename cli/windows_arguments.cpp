#include "cli/windows_arguments.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

#include "cli/cli.h"

namespace vok::cli {

namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isPattern(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }

/// The device name that `part` stands for ("CON" for "con.mis" or "Con .txt"), or empty. Windows
/// takes the part before the first dot, trailing blanks dropped, as the device.
std::string_view deviceNameOf(std::string_view part) {
    std::string_view base = part.substr(0, part.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    static constexpr std::array<std::string_view, 6> kPlain = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const auto name : kPlain) {
        if (equalsIgnoringCase(base, name)) return base;
    }
    // COM1 to COM9 and LPT1 to LPT9, and the superscript ones (¹ ² ³ in UTF-8) that Windows counts too.
    if (base.size() < 4 ||
        !(equalsIgnoringCase(base.substr(0, 3), "COM") || equalsIgnoringCase(base.substr(0, 3), "LPT")))
        return {};
    const std::string_view number = base.substr(3);
    if (number.size() == 1 && number[0] >= '1' && number[0] <= '9') return base;
    if (number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3") return base;
    return {};
}

std::string utf8Name(const std::filesystem::path& name) {
    const std::u8string text = name.u8string();
    return std::string(text.begin(), text.end());
}

/// The names in the pattern's folder that its last part matches, each spelt with the folder as
/// the pattern spells it; sorted as Windows lists them (letter case ignored).
std::vector<std::string> expandPattern(const std::string& pattern) {
    std::size_t cut = pattern.find_last_of("\\/");
    if (cut == std::string::npos && pattern.size() >= 2 && pattern[1] == ':') cut = 1;  // "C:*.bms"
    const std::string prefix = cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
    const std::string namePattern = pattern.substr(prefix.size());
    std::vector<std::string> names;
    if (isPattern(prefix)) return names;  // Windows expands the last part only
    std::error_code ec;
    const std::filesystem::path folder = prefix.empty() ? std::filesystem::path(".") : pathFromUtf8(prefix);
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = utf8Name(it->path().filename());
        if (wildcardMatches(namePattern, name)) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](char x, char y) { return lowerAscii(x) < lowerAscii(y); });
    });
    for (auto& name : names) name.insert(0, prefix);
    return names;
}

bool takesOneFile(std::string_view command) { return command == "detect" || command == "info" || command == "check"; }

}  // namespace

std::string windowsNameProblem(std::string_view path) {
    // "\\?\" and "\\.\" paths go to Windows as they are: who writes one means the device.
    if (path.size() >= 4 && isSeparator(path[0]) && isSeparator(path[1]) && (path[2] == '?' || path[2] == '.') &&
        isSeparator(path[3]))
        return {};
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = start;
        while (end < path.size() && !isSeparator(path[end])) ++end;
        const std::string_view part = path.substr(start, end - start);
        if (!part.empty() && part != "." && part != "..") {
            if (const auto device = deviceNameOf(part); !device.empty()) {
                return std::string(device) + " is a name Windows keeps for a device; choose another name";
            }
            if (part.back() == '.' || part.back() == ' ') {
                return "\"" + std::string(part) + "\" ends in " + (part.back() == '.' ? "a dot" : "a blank") +
                       ", which Windows drops from a name; leave it out";
            }
        }
        start = end + 1;
    }
    return {};
}

bool wildcardMatches(std::string_view pattern, std::string_view text) {
    // The usual greedy walk with one point to go back to: the last "*" seen.
    std::size_t p = 0, t = 0, starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(text[t]))) {
            if (pattern[p] == '?') {
                // One character, not one byte: the continuation bytes of a UTF-8 sequence go with it.
                ++t;
                while (t < text.size() && (static_cast<unsigned char>(text[t]) & 0xC0) == 0x80) ++t;
                ++p;
            } else {
                ++p;
                ++t;
            }
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            ++starT;
            while (starT < text.size() && (static_cast<unsigned char>(text[starT]) & 0xC0) == 0x80) ++starT;
            t = starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::optional<int> prepareWindowsArguments(std::vector<std::string>& args, std::ostream& err) {
    std::vector<std::string> prepared;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "/?") {
            prepared.push_back("--help");
            continue;
        }
        // A text, not a path: taken as it is.
        if (i > 0 && args[i - 1] == "--terrain") {
            prepared.push_back(arg);
            continue;
        }
        if (const auto quote = arg.find('"'); quote != std::string::npos) {
            // cmd.exe reads "C:\dir\" as C:\dir" and the rest of the line as the same argument.
            std::string meant = arg.substr(0, quote);
            while (!meant.empty() && isSeparator(meant.back())) meant.pop_back();
            err << "vok: [" << arg << "] holds a double quote: a backslash just before a closing quote keeps the "
                << "quote, and the rest of the line became part of this argument; write \"" << meant
                << "\" without the last backslash (or double it: \"" << meant << "\\\\\")\n";
            return kUsageError;
        }
        if (arg.starts_with("-")) {
            prepared.push_back(arg);
            continue;
        }
        if (isPattern(arg)) {
            const auto names = expandPattern(arg);
            if (names.empty()) {
                err << "vok: no file matches " << arg << "\n";
                return kFailed;
            }
            if (names.size() > 1 && takesOneFile(args[0])) {
                err << "vok: " << arg << " matches " << names.size() << " files, and " << args[0]
                    << " takes one; for each of them: for %f in (" << arg << ") do vok " << args[0] << " \"%f\"\n";
                return kUsageError;
            }
            prepared.insert(prepared.end(), names.begin(), names.end());
            continue;
        }
        if (const auto problem = windowsNameProblem(arg); !problem.empty()) {
            err << "vok: " << arg << ": " << problem << "\n";
            return kFailed;
        }
        prepared.push_back(arg);
    }
    args = std::move(prepared);
    return std::nullopt;
}

}  // namespace vok::cli
