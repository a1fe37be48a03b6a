#include "workflow/messages.h"

#include <algorithm>
#include <cerrno>

#include "lists/codepage.h"

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

}  // namespace

bool isReaderFault(const Error& error, MissionForm form) {
    return form == MissionForm::Ascii && error.fault() != Fault::CannotOpen && error.fault() != Fault::NoMission &&
           error.fault() != Fault::InvalidModel && error.fault() != Fault::CannotWrite;
}

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

std::string saveStatusText(std::string_view name, DfType target, const std::vector<ReportLine>& lines) {
    using Kind = ReportLine::Kind;
    struct Count {
        const char* one;
        const char* many;
        std::vector<Kind> kinds;
        std::size_t count = 0;
    };
    Count counts[] = {
        {"replaced", "replaced", {Kind::Replaced}},
        {"removed", "removed", {Kind::Removed}},
        {"kept", "kept", {Kind::Skipped, Kind::Kept}},
        {"not carried", "not carried", {Kind::Dropped, Kind::Cut, Kind::Lost}},
        {"warning", "warnings", {Kind::Warning}},
        {"default set", "defaults set", {Kind::Set}},
    };
    for (const ReportLine& line : lines) {
        for (Count& count : counts) {
            if (std::find(count.kinds.begin(), count.kinds.end(), line.kind) != count.kinds.end()) ++count.count;
        }
    }
    std::string text = "Saved " + std::string(name) + " for " + std::string(versionName(target)) + ": ";
    std::string parts;
    for (const Count& count : counts) {
        if (count.count == 0) continue;
        if (!parts.empty()) parts += ", ";
        parts += std::to_string(count.count) + " " + (count.count == 1 ? count.one : count.many);
    }
    if (parts.empty()) return text + "nothing lost";
    return withReportLink(text + parts);
}

std::string nothingSavedStatusText(bool failed) {
    return failed ? "Nothing saved: the save failed" : "Nothing saved: the save was cancelled";
}

}  // namespace vok::workflow
