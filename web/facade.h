#pragma once
// The page's session over the core: missions arrive as bytes with the name they had on the user's
// disk, the converted file leaves as bytes with the name the window would suggest. The six lists
// live in a folder of the in-memory file system; the page keeps a copy of them in the browser's
// storage. Nothing here knows of the browser: bindings.cpp hands it to JavaScript.
//
// Every failure leaves as a Message whose text is the one the converter window shows.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "conversion/chooser.h"
#include "conversion/convert.h"
#include "lists/list_store.h"
#include "mission/mission_file.h"
#include "workflow/list_session.h"

namespace vok::web {

/// A failure the page shows as it is.
class Message : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The converter window's texts for a mission that could not be read. `version` is the version the
/// ascii reader was chosen for (None before the version is known).
std::string openFailureMessage(const Error& error, MissionForm form, DfType version);

/// The list editor's refusal of an identifier.
inline constexpr const char* kInvalidId = "Invalid ID, Or Item ID is already used!";

/// "The File Version Could Not Be Determined!": the window then asks for the version.
inline constexpr const char* kVersionNotRecognised =
    "The File Version Could Not Be Determined!\r\nDo You Want To Select The File Type Manualy?";

struct MissionInfo {
    DfType version = DfType::None;
    MissionForm form = MissionForm::Binary;
    std::string name, designer, terrain;  // UTF-8
    std::size_t items = 0;
    std::map<std::string, std::size_t> categories;  // "Vehicles" -> 3
    std::size_t events = 0;
    std::vector<std::string> passedOver;   // "line 12: ..." what the ascii reader read past
    std::vector<std::string> asciiLosses;  // what a save in the ascii form would lose
};

/// The answers of the replacement dialog, one per item type of a source version bound for a target.
using AnswerKey = std::tuple<DfType, DfType, std::int16_t>;  // source, target, item type
using AnswerTable = std::map<AnswerKey, ReplacementAnswer>;

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
    /// `listsFolder` receives the six list files; `starterTexts` holds the starter lists as text.
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

    // The list editor's changes through the list session, each written at once. `index` is the entry's place in its
    // list (from 0); none adds an entry at the end.
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
    Converted convert(const std::string& bytes, const std::string& fileName, const ConvertRequest& request,
                      ReplacementChooser& chooser);

private:
    AnyMission read(const std::string& bytes, const std::string& fileName, DfType version, MissionForm form,
                    std::vector<PassedOver>* passedOver = nullptr);
    std::filesystem::path put(const std::string& bytes, const std::string& fileName);
    void loadLists();
    void change(const std::function<workflow::ChangeOutcome()>& apply);
    std::string starterBytes(int which) const;

    std::filesystem::path work_;
    std::filesystem::path starterTexts_;
    ListStore lists_;
    workflow::ListSession session_;  // the list editor's rules and changes
};

/// The dialog's answers, looked up per item type; a type the table lacks is kept ("Skip").
class TableChooser : public ReplacementChooser {
public:
    explicit TableChooser(const AnswerTable& answers) : answers_(answers) {}
    ReplacementAnswer choose(std::int16_t objectId, DfType sourceVersion, DfType targetVersion) override;
    void replacementNotSaved(const Error& error) override { notSaved.push_back(fileErrorMessage(error)); }
    std::vector<std::string> notSaved;

private:
    const AnswerTable& answers_;
};

/// The scripting hook's policy: keep or remove every missing type.
class PolicyChooser : public ReplacementChooser {
public:
    explicit PolicyChooser(bool remove) : remove_(remove) {}
    ReplacementAnswer choose(std::int16_t, DfType, DfType) override {
        return remove_ ? ReplacementAnswer::remove() : ReplacementAnswer::skip();
    }

private:
    bool remove_;
};

/// The message `vok convert --replace fail` gives for missing types.
std::string missingTypesMessage(const std::string& fileName, DfType to, const std::vector<MissingType>& missing);

}  // namespace vok::web
