#include "workflow/messages.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <set>
#include <tuple>

#include "lists/codepage.h"
#include "workflow/campaign.h"

namespace vok::workflow {

namespace {

bool window(Style style) { return style == Style::Window; }

/// The window's line end, or the terminal's.
std::string_view lineEnd(Style style) { return window(style) ? "\r\n" : "\n"; }

/// "PATH: fault": a file and what is wrong with it, on one line.
std::string pathAndFault(const Error& error) { return error.path() + ": " + error.describe(); }

/// The reader's three lines, joined by `end`.
std::string readerLines(const Error& error, DfType version, std::string_view end) {
    std::string text = "Warning!: Error in ";
    text += asciiReaderName(version);
    text += end;
    text += error.describe();
    if (error.fault() == Fault::CannotOpen && !error.path().empty()) text += ": " + error.path();
    text += std::string(end) + "At Line: " + std::to_string(error.line());
    return text;
}

bool isReaderFault(const Error& error, MissionForm form) {
    return form == MissionForm::Ascii && error.fault() != Fault::CannotOpen && error.fault() != Fault::NoMission &&
           error.fault() != Fault::InvalidModel && error.fault() != Fault::CannotWrite;
}

}  // namespace

bool isWriteRefusal(const Error& error) {
    const std::string& detail = error.detail();
    return detail == systemErrorText(EACCES) || detail == systemErrorText(EPERM) || detail == systemErrorText(EROFS);
}

std::string readFailureText(const Error& error, MissionForm form, DfType version, Style style) {
    if (!isReaderFault(error, form)) return fileFailureText(error, style);
    if (window(style)) return readerLines(error, version, "\r\n");
    return "vok: " + error.path() + ":\n" + readerLines(error, version, "\n") + "\n";
}

std::string fileFailureText(const Error& error, Style style) {
    if (window(style)) return (error.path().empty() ? std::string("?") : error.path()) + "\r\n" + error.describe();
    std::string text = "vok: " + (error.path().empty() ? std::string() : error.path() + ": ") + error.describe();
    if (error.line() > 0) text += " at line " + std::to_string(error.line());
    return text + "\n";
}

std::string unexpectedReadFailureText(std::string_view path, const std::exception& error, Style style) {
    if (window(style)) return std::string(path) + "\r\n" + error.what();
    return "vok: " + std::string(path) + ": " + error.what() + "\n";
}

std::string versionNotRecognisedText(std::string_view path, Style style) {
    if (window(style)) {
        return "The File Version Could Not Be Determined!\r\nDo You Want To Select The File Type Manualy?";
    }
    return "vok: " + std::string(path) +
           ": the game version could not be recognised; give it with --from df1|df2|df3\n";
}

std::string listLoadFailureText(const std::exception& error, Style style) {
    const auto* fileError = dynamic_cast<const Error*>(&error);
    const std::string cause = fileError != nullptr ? pathAndFault(*fileError) : std::string(error.what());
    const std::string_view heading = "Warning!, There Was an Error In 'InitilizeItemLists'";
    if (window(style)) return std::string(heading) + "\r\n" + cause;
    return "vok: " + std::string(heading) + "\nvok: " + cause + "\n";
}

std::string descriptionRefusedText(std::string_view bad) {
    return "The Description Can't Hold \"" + std::string(bad) +
           "\"!\r\nThe list files keep descriptions in the Windows-1252 code page; please type it with other "
           "characters.";
}

std::string alreadyReplacedText(int objectId, std::string_view targetLabel, std::string_view replacement) {
    char padded[16];
    std::snprintf(padded, sizeof padded, "%04d", objectId);
    return "Item " + std::string(padded) + " Already Has A Replacement In " + std::string(targetLabel) + ": " +
           std::string(replacement) + "!\r\nThe Converter Uses The First One, So A Second Would Never Be Used.";
}

std::string replacementNotListedText(int replacementId, std::string_view targetLabel) {
    return "Invalid Replacement ID: " + std::to_string(replacementId) + " (not in list) In " +
           std::string(targetLabel) + "!\r\nA Replacement Must Be 1 To 9999 And In The Item List Of Its Version.";
}

std::string onlyEntryText(std::string_view listFile) {
    return "Can't Delete the Only Entry of '" + std::string(listFile) +
           "'!\r\nA list file must hold at least one entry, so nothing was changed.";
}

std::string terrainRefusedText(std::string_view bad) {
    return "The terrain name can hold only characters of the Windows-1252 code page; \"" + std::string(bad) +
           "\" is not one of them.";
}

std::string listMendText() {
    return "To mend it, open the lists in Vok_Tally, which starts a damaged list again from the starter list or "
           "empty (keeping the damaged file beside it), or write the lists from text with: vok lists import DIR";
}

std::string listReloadFailureText(const Error& error) {
    return "Warning!, The Lists Changed On Disk But Could Not Be Read Again:\r\n" + pathAndFault(error) +
           "\r\nThe Lists Read Before Stay In Use.";
}

std::string conversionFailureText(const std::exception& error, Style style) {
    if (window(style)) return std::string("The Mission Could Not Be Converted!\r\n") + error.what();
    return std::string("vok: the mission could not be converted: ") + error.what() + "\n";
}

std::string replacementNotSavedText(const Error& error, std::string_view programFolder, bool folderRefused) {
    std::string text = "Warning!, The Replacement Could Not Be Saved In The List File:\r\n" +
                       fileFailureText(error, Style::Window) + "\r\nIt Is Remembered Until The Program Ends.";
    if (folderRefused) {
        text += "\r\nThe Program Folder " + std::string(programFolder) +
                " Cannot Be Written. To Keep Lists Of Your Own, Copy The Programs And The Six .vok "
                "Files To A Folder Of Your Own (For Example From The Portable Archive) And Start "
                "The Converter From There, Or Work On A Copy Of The Lists With: vok --lists DIR";
    }
    return text;
}

std::string missingTypesText(std::string_view path, const std::vector<MissingType>& missing, DfType target,
                             Style style) {
    const bool one = missing.size() == 1;
    const std::string_view end = lineEnd(style);
    std::string text = window(style) ? "" : "vok: ";
    text += std::string(path) + ": " + std::to_string(missing.size()) + " item " + (one ? "type is" : "types are") +
            " missing in " + std::string(versionName(target)) + " and no replacement list entry covers " +
            (one ? "it" : "them") + ":";
    text += end;
    for (const MissingType& type : missing) {
        text += "  " + std::to_string(type.id) + "  " +
                (type.description.empty() ? std::string("(no description)") : cp1252ToUtf8(type.description)) + "  (" +
                std::to_string(type.count) + (type.count == 1 ? " item" : " items") + ")";
        text += end;
    }
    text += window(style) ? "" : "vok: ";
    text += "add replacements (Vok_Tally, or vok lists import), or choose --replace skip|remove";
    if (!window(style)) text += end;
    return text;
}

std::string sameOutputText(const std::filesystem::path& first, const std::filesystem::path& second,
                           const std::filesystem::path& output, Style style) {
    return std::string(window(style) ? "" : "vok: ") + displayPath(first) + " and " + displayPath(second) +
           " would both be written to " + displayPath(output) + "; nothing was written" + (window(style) ? "" : "\n");
}

std::string outputIsInputText(const std::filesystem::path& output, const std::filesystem::path& of,
                              const std::filesystem::path& input, Style style) {
    return std::string(window(style) ? "" : "vok: ") + displayPath(output) + ", the output of " + displayPath(of) +
           ", is the input " + displayPath(input) + " itself; nothing was written" + (window(style) ? "" : "\n");
}

std::string folderNotMadeText(const std::filesystem::path& folder, Style style) {
    return std::string(window(style) ? "" : "vok: ") + displayPath(folder) +
           ": the folder cannot be made (a file of that name, or no permission)" + (window(style) ? "" : "\n");
}

std::string campaignMissingTypesText(const std::vector<CampaignMissingType>& missing, DfType target, Style style) {
    const bool one = missing.size() == 1;
    const std::string_view end = lineEnd(style);
    const std::string prefix = window(style) ? "" : "vok: ";
    std::set<std::string> missions;
    for (const CampaignMissingType& type : missing) missions.insert(type.files.begin(), type.files.end());
    std::string text = prefix + std::to_string(missing.size()) + " item " + (one ? "type is" : "types are") +
                       " missing in " + std::string(versionName(target)) + " in " + std::to_string(missions.size()) +
                       (missions.size() == 1 ? " mission" : " missions") + " and no replacement list entry covers " +
                       (one ? "it" : "them") + ":" + std::string(end);
    // One row a type, the columns as wide as their widest cell (counted in characters).
    std::vector<std::vector<std::string>> rows{{"type", "description", "version", "items", "missions", "files"}};
    for (const CampaignMissingType& type : missing) {
        std::string files;
        for (std::size_t i = 0; i < type.files.size() && i < 3; ++i) files += (i > 0 ? ", " : "") + type.files[i];
        if (type.files.size() > 3) files += ", ...";
        rows.push_back({std::to_string(type.id),
                        type.description.empty() ? std::string("(no description)") : cp1252ToUtf8(type.description),
                        std::string(versionKey(type.from)), std::to_string(type.items), std::to_string(type.missions),
                        files});
    }
    const auto width = [](const std::string& cell) {
        return static_cast<std::size_t>(std::count_if(
            cell.begin(), cell.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    };
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], width(row[c]));
    for (const auto& row : rows) {
        std::string line = " ";
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += " " + row[c];
            if (c + 1 < row.size()) line += std::string(widths[c] - width(row[c]) + 1, ' ');
        }
        text += line + std::string(end);
    }
    text += prefix +
            "nothing was written; add replacements (Vok_Tally, or vok lists import), answer them with "
            "--replace-with FILE, or choose --replace skip|remove";
    if (!window(style)) text += end;
    return text;
}

std::string campaignVersionNotRecognisedText(const std::filesystem::path& path, Style style) {
    if (!window(style)) return versionNotRecognisedText(displayPath(path), style);
    return displayPath(path) + ": The File Version Could Not Be Determined.";
}

std::string campaignFileNotConvertedText(std::string_view path, std::size_t types, Style style) {
    return std::string(window(style) ? "" : "vok: ") + std::string(path) + ": not converted: uses " +
           std::to_string(types) + " of the missing item " + (types == 1 ? "type" : "types") +
           (window(style) ? "" : "\n");
}

std::string dropRefusedText() {
    return "Only One Mission File Can Be Dropped Here: A Binary (*.BMS) Or An Ascii (*.MIS) File.";
}

std::string reportLineText(const ReportLine& line) {
    return std::string(reportKindLabel(line.kind)) + ": " + cp1252ToUtf8(line.text);
}

std::string saveReportHeading(std::string_view name, DfType from, DfType to, Style style) {
    const std::string file(name);
    if (window(style)) {
        if (from != to) {
            return file + ": Converted From " + std::string(versionLabel(from)) + " To " +
                   std::string(versionLabel(to));
        }
        return file + ": Saved As " + std::string(versionLabel(to)) + " Ascii File";
    }
    if (from != to) {
        return "vok: " + file + ": converted from " + std::string(versionName(from)) + " to " +
               std::string(versionName(to)) + "\n";
    }
    return "vok: " + file + ": saved as a " + std::string(versionName(to)) + " ascii mission\n";
}

std::string openReportHeading(std::string_view name, DfType version) {
    return std::string(name) + ": Opened As " + std::string(versionLabel(version)) +
           " Ascii File; The Reader Passed Over:";
}

std::string replaceOpenedMissionText(std::string_view name, DfType opened, DfType target) {
    return std::string(name) + " is the mission you opened (" + std::string(versionName(opened)) +
           "). Replace it with its " + std::string(versionName(target)) + " conversion?";
}

namespace {

std::string withReportLink(std::string text) { return text + " \xE2\x80\x94 " + std::string(kShowReportLink); }

}  // namespace

std::string openStatusText(std::string_view name, DfType version, std::size_t passedOver) {
    std::string text = "Opened " + std::string(name) + " (" + std::string(versionName(version)) + ")";
    if (passedOver == 0) return text;
    return withReportLink(text + ": " + std::to_string(passedOver) +
                          (passedOver == 1 ? " line passed over" : " lines passed over"));
}

std::string openFailedStatusText(std::string_view name) {
    return "Nothing opened: " + std::string(name) + " was not read";
}

ReportCounts countReportLines(const std::vector<ReportLine>& lines) {
    using Kind = ReportLine::Kind;
    ReportCounts counts;
    for (const ReportLine& line : lines) {
        switch (line.kind) {
            case Kind::Replaced: ++counts.replaced; break;
            case Kind::Removed: ++counts.removed; break;
            case Kind::Skipped:
            case Kind::Kept: ++counts.kept; break;
            case Kind::Dropped:
            case Kind::Cut:
            case Kind::Lost: ++counts.notCarried; break;
            case Kind::Warning: ++counts.warnings; break;
            case Kind::Set: ++counts.defaultsSet; break;
            case Kind::Ignored: break;
        }
    }
    return counts;
}

std::string saveStatusText(std::string_view name, DfType target, const std::vector<ReportLine>& lines) {
    const ReportCounts counts = countReportLines(lines);
    const std::tuple<int, const char*, const char*> parts[] = {
        {counts.replaced, "replaced", "replaced"},
        {counts.removed, "removed", "removed"},
        {counts.kept, "kept", "kept"},
        {counts.notCarried, "not carried", "not carried"},
        {counts.warnings, "warning", "warnings"},
        {counts.defaultsSet, "default set", "defaults set"},
    };
    std::string text = "Saved " + std::string(name) + " for " + std::string(versionName(target)) + ": ";
    std::string told;
    for (const auto& [count, one, many] : parts) {
        if (count == 0) continue;
        if (!told.empty()) told += ", ";
        told += std::to_string(count) + " " + (count == 1 ? one : many);
    }
    if (told.empty()) return text + "nothing lost";
    return withReportLink(text + told);
}

std::string nothingSavedStatusText(bool failed) {
    return failed ? "Nothing saved: the save failed" : "Nothing saved: the save was cancelled";
}

}  // namespace vok::workflow
