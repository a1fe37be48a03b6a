#pragma once
// The page as one more face of the workflow: missions arrive as bytes with the name they had on the
// user's disk and go through a mission session (open, convert, save to bytes, one report); the
// converted file leaves as bytes with the name the window would suggest. The six lists live in a
// folder of the in-memory file system and are changed through the list session; the page keeps a
// copy of them in the browser's storage. Nothing here knows of the browser: bindings.cpp hands it
// to JavaScript.
//
// Every failure leaves as a Message whose text the workflow's message builder made, in the
// windows' style.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "conversion/chooser.h"
#include "conversion/convert.h"
#include "lists/list_store.h"
#include "mission/mission_file.h"
#include "workflow/list_session.h"
#include "workflow/mission_session.h"

namespace vok::web {

/// A failure the page shows as it is.
class Message : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The list editor's refusal of an identifier.
inline constexpr const char* kInvalidId = "Invalid ID, Or Item ID is already used!";

struct MissionInfo {
    DfType version = DfType::None;
    MissionForm form = MissionForm::Binary;
    std::string name, designer, terrain;  // UTF-8
    std::size_t items = 0;
    std::map<std::string, std::size_t> categories;  // "Vehicles" -> 3
    std::size_t events = 0;
    std::string question;                  // when the version was not recognised: the window's question
    std::vector<std::string> passedOver;   // "line 12: ..." what the ascii reader read past
    std::vector<std::string> asciiLosses;  // what a save in the ascii form would lose
};

struct Converted {
    std::string bytes;
    std::string name;                 // "night_raid.mis"
    std::string heading;              // "night_raid.mis: Converted From DF2 To DF:LW"
    std::vector<std::string> report;  // "Replaced: ..." lines, UTF-8
    bool cancelled = false;           // "Cancel Save": nothing was written
};

struct ConvertRequest {
    std::optional<DfType> from;         // given when the version was not recognised
    std::optional<DfType> to;           // the mission's own version when not given
    std::optional<MissionForm> form;    // the input's form when not given
    std::optional<std::int64_t> epoch;  // the creation time written into ascii files
};

class Facade {
public:
    /// `workFolder`/lists receives the six list files; `starterTexts` holds the starter lists as text.
    Facade(std::filesystem::path workFolder, std::filesystem::path starterTexts);

    // The lists.
    ListStore& lists() { return lists_; }
    /// Replaces the six lists by the starter lists.
    void useStarterLists();
    /// The bytes of list file 1..6.
    std::string listFile(int which) const;
    /// Replaces all six list files (the browser's copy, or six files the user chose); the lists in use
    /// stay when any of them cannot be loaded, and Message says which.
    void setListFiles(const std::array<std::string, kListCount>& files);
    /// The six lists in the text form of `vok lists export`, one file each.
    std::string listText(int which) const;
    /// Reads six text files; all six are checked before any is used.
    void setListTexts(const std::array<std::string, kListCount>& texts);

    // The list editor's changes through the list session, each written at once. `index` is the
    // entry's place in its list (from 0); none adds an entry at the end.
    void putItem(int which, std::optional<std::size_t> index, double id, const std::string& description);
    void putReplacement(int which, std::optional<std::size_t> index, const ReplaceEntry& entry);
    /// Removes an entry by moving the last one into its place; a list keeps at least one entry.
    void deleteEntry(int which, std::size_t index);

    // Missions.
    static MissionForm formOf(const std::string& fileName);
    DfType detect(const std::string& bytes, const std::string& fileName);
    MissionInfo inspect(const std::string& bytes, const std::string& fileName, std::optional<DfType> version);
    std::vector<MissingType> missingTypes(const std::string& bytes, const std::string& fileName, DfType from,
                                          DfType to);
    /// The refusal of a conversion that may not choose replacements ("fail").
    static std::string missingTypesText(const std::string& fileName, DfType to,
                                        const std::vector<MissingType>& missing);
    Converted convert(const std::string& bytes, const std::string& fileName, const ConvertRequest& request,
                      ReplacementChooser& chooser);

private:
    /// A session holding the mission of `bytes`: GivenUp when its version is not recognised and
    /// none was given; Message when it cannot be read.
    workflow::StepResult open(workflow::MissionSession& session, const std::string& bytes, const std::string& fileName,
                              std::optional<DfType> version);
    workflow::MissionSession newSession();
    void loadLists();
    void change(const std::function<workflow::ChangeOutcome()>& apply);
    std::string starterBytes(int which) const;

    std::filesystem::path work_;
    std::filesystem::path starterTexts_;
    ListStore lists_;
    workflow::ListSession session_;  // the list editor's rules and changes
};

/// What a conversion's chooser does besides answering: a replacement chosen with "OK-S" that could
/// not be saved is told. It keeps every type it is asked about ("Skip"); the answers come first
/// (workflow::PresetChooser, workflow::FixedChooser).
class NoticeChooser : public ReplacementChooser {
public:
    ReplacementAnswer choose(std::int16_t, DfType, DfType) override { return ReplacementAnswer::skip(); }
    void replacementNotSaved(const Error& error) override;
    std::vector<std::string> notSaved;
};

}  // namespace vok::web
