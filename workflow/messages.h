#pragma once
// Every text the programs tell the user about missions, lists and files, built in one place, so
// that the converter window, vok and the faces still to come say the same words. Each text comes
// in the style of the face that shows it:
//  - Window: the windows' (and a page's) texts, lines joined by CR LF, no line end at the end;
//  - Terminal: what vok writes to standard error, whole lines each ending in LF, "vok: " before
//    the lines that vok's own lines start with.
// The texts are UTF-8, apart from what a fault quotes from a file (its bytes as they were).
//
// The fault classification lives here too: which read faults are the ascii reader's (shown with
// the reader's name and the line), which a file's (shown with its path).

#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/conversion_report.h"
#include "conversion/convert.h"
#include "mission/core/error.h"
#include "mission/mission_file.h"

namespace vok::workflow {

struct CampaignMissingType;

enum class Style { Window, Terminal };

/// A write that the system refused (no permission, a read-only file system): the folder belongs
/// to someone else, as the lists of a system-wide install do.
bool isWriteRefusal(const Error& error);

/// A mission that could not be read: the reader's three lines ("Warning!: Error in OpenDF2MIS",
/// the fault, "At Line: N") for a reader fault of `version`, else the file's message. A fault is
/// the ascii reader's when the file could be read, holds a mission and one of its lines is at
/// fault; a file that cannot be read, a faulty binary file and an ascii file that holds no mission
/// are the file's faults.
std::string readFailureText(const Error& error, MissionForm form, DfType version, Style style);

/// A file that cannot be read or written, a faulty binary file, a save the writer refuses: the
/// file and the fault ("PATH" CR LF "fault"; "vok: PATH: fault at line N").
std::string fileFailureText(const Error& error, Style style);

/// Something other than a vok::Error stopped reading a file (the path, then the exception's text).
std::string unexpectedReadFailureText(std::string_view path, const std::exception& error, Style style);

/// The version of a file could not be recognised: the window's question whether to state it, or
/// vok's advice to give it with --from.
std::string versionNotRecognisedText(std::string_view path, Style style);

/// The six lists could not be loaded at start (the program cannot work without them).
std::string listLoadFailureText(const std::exception& error, Style style);
/// The list editors' refusals (the window's and the page's), window style.
std::string descriptionRefusedText(std::string_view bad);
/// `replacement` as the editor shows the first replacement: "2005 Humvee".
std::string alreadyReplacedText(int objectId, std::string_view targetLabel, std::string_view replacement);
std::string replacementNotListedText(int replacementId, std::string_view targetLabel);
std::string onlyEntryText(std::string_view listFile);

/// A terrain name holding `bad`, a character the field's Windows-1252 code page lacks.
std::string terrainRefusedText(std::string_view bad);
/// How a damaged list file is mended, said by the converter, which needs all six lists to start.
std::string listMendText();

/// The lists changed on disk but could not be read again; those read before stay in use (Window).
std::string listReloadFailureText(const Error& error);

/// A conversion stopped by something other than the user.
std::string conversionFailureText(const std::exception& error, Style style);

/// A replacement chosen with "OK-S" could not be saved in its list; it serves the run. With
/// `folderRefused` (the program folder cannot be written) it says where to keep lists of one's own
/// (Window).
std::string replacementNotSavedText(const Error& error, std::string_view programFolder, bool folderRefused);

/// vok's refusal to convert `path` while item types lack a replacement (--replace fail).
std::string missingTypesText(std::string_view path, const std::vector<MissingType>& missing, DfType target,
                             Style style);

/// A campaign refused before anything is written: two inputs would write one output; an output is
/// one of the inputs; the output folder cannot be made.
std::string sameOutputText(const std::filesystem::path& first, const std::filesystem::path& second,
                           const std::filesystem::path& output, Style style);
std::string outputIsInputText(const std::filesystem::path& output, const std::filesystem::path& of,
                              const std::filesystem::path& input, Style style);
std::string folderNotMadeText(const std::filesystem::path& folder, Style style);

/// The item types a campaign lacks answers for, one table for all its missions: type,
/// description, version, items, missions and the first three files; then how to answer them.
std::string campaignMissingTypesText(const std::vector<CampaignMissingType>& missing, DfType target, Style style);
/// A file of a campaign whose version could not be recognised: vok's advice to give it with --from;
/// in the window's summary the file and the fact (no question is asked in the middle of a campaign).
std::string campaignVersionNotRecognisedText(const std::filesystem::path& path, Style style);
/// A file of such a campaign that was not converted because of them.
std::string campaignFileNotConvertedText(std::string_view path, std::size_t types, Style style);

/// Several files, or a file of another kind, dropped where one mission file is wanted (Window).
std::string dropRefusedText();

/// One line of a report: "Replaced: 2031 ..." (the label, then the text in UTF-8).
std::string reportLineText(const ReportLine& line);

/// The heading of a save's report: "NAME: Converted From DF1 To DF2" or "NAME: Saved As DF2 Ascii
/// File"; "vok: NAME: converted from Delta Force 1 to Delta Force 2" LF or "vok: NAME: saved as a
/// Delta Force 2 ascii mission" LF.
std::string saveReportHeading(std::string_view name, DfType from, DfType to, Style style);

/// The heading of what an ascii reader passed over: "NAME: Opened As DF2 Ascii File; The Reader
/// Passed Over:" (Window; vok check lists these lines as findings).
std::string openReportHeading(std::string_view name, DfType version);

/// The question before a save writes a conversion over the file the mission was opened from:
/// "b.bms is the mission you opened (Delta Force 2). Replace it with its Delta Force 1
/// conversion?" (Window).
std::string replaceOpenedMissionText(std::string_view name, DfType opened, DfType target);

/// The words of the status line's link to the report window.
inline constexpr std::string_view kShowReportLink = "Show report";

/// The window's status line after an open: "Opened b.mis (Delta Force 2)", and when the reader
/// passed lines over ": 3 lines passed over — Show report".
std::string openStatusText(std::string_view name, DfType version, std::size_t passedOver);
/// ... after an open that read nothing (the file could not be read, or its version was not given).
std::string openFailedStatusText(std::string_view name);

/// A report's lines counted by what they tell, as the status line and a campaign's summary count
/// them: kept is Skipped and Kept, not carried is Dropped, Cut and Lost.
struct ReportCounts {
    int replaced = 0, removed = 0, kept = 0, notCarried = 0, warnings = 0, defaultsSet = 0;
};
ReportCounts countReportLines(const std::vector<ReportLine>& lines);

/// The window's status line after a save: "Saved b.mis for Delta Force 1: 2 replaced, 1 not
/// carried — Show report", the counts being the report's lines by kind (replaced, removed, kept,
/// not carried, warnings, defaults set); "nothing lost" without lines.
std::string saveStatusText(std::string_view name, DfType target, const std::vector<ReportLine>& lines);
/// ... after a save that wrote nothing: it was cancelled (`failed` false) or failed.
std::string nothingSavedStatusText(bool failed);

}  // namespace vok::workflow
