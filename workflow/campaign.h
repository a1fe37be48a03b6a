#pragma once
// A campaign: many missions converted into one folder with the same answers. It is the mission
// session used once per file, in four steps every face takes alike (the converter window, vok):
//
//   plan     the inputs (files, and folders whose .bms/.mis files are taken, with their sub-folders
//            when recursive, the tree kept) and the output of each in the output folder, under its
//            own name with the new extension; a batch never writes over one of its inputs nor two
//            inputs into one output (refused before anything is read); outputs that exist already
//            are told, for one question about all of them.
//   open     every input is read once; a file that cannot be read fails alone.
//   answer   the item types that no list covers, for all missions together (how many items in how
//            many missions), each answered once; the answers serve every mission.
//   run      each mission is converted (the terrain by the rule of a single save, without a
//            question) and saved; a failure is that file's and the others go on; a stop asked for
//            between two files leaves the files written and touches no other.
//
// Plain C++, single-threaded: one campaign at a time, run on one thread (a window runs it off its
// own thread once every question has been answered).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/chooser.h"
#include "workflow/mission_session.h"

namespace vok::workflow {

/// A mission file of a campaign and what became of it.
struct CampaignFile {
    enum class Result {
        Pending,  ///< not written (yet): the campaign was stopped before it
        Written,
        Failed,  ///< `message` says why
    };
    std::filesystem::path input;
    std::filesystem::path output;
    MissionForm outputForm = MissionForm::Binary;
    Result result = Result::Pending;
    std::string message;
    SaveReport report;  ///< of a file written
    /// Report lines of a file written: item types replaced, removed, kept though the target lacks
    /// them, and what the save could not carry (settings dropped or cut, texts the ascii form loses).
    int replaced = 0, removed = 0, kept = 0, notCarried = 0;
};

/// An item type no list covers, over the whole campaign.
struct CampaignMissingType {
    std::int16_t id = 0;
    DfType from = DfType::None;
    std::string description;  ///< in the source version's list (code page bytes); may be empty
    std::int32_t items = 0;
    std::int32_t missions = 0;
    std::vector<std::string> files;  ///< the missions that use it, in campaign order
};

/// How many of `missing` (Campaign::missingTypes) the mission of `file` uses.
std::size_t missingTypesUsedBy(const CampaignFile& file, const std::vector<CampaignMissingType>& missing);

/// A mission file to convert and the sub-folder of the output folder its output goes to.
struct CampaignInput {
    std::filesystem::path file;
    std::filesystem::path subFolder;
};

/// The mission files of `inputs`: a file as it is, a folder's .bms and .mis files (any letter
/// case) in name order, with `recursive` those of its sub-folders too, each with its place below
/// the folder. Throws Error(CannotOpen) for a folder that cannot be listed.
std::vector<CampaignInput> campaignInputs(const std::vector<std::filesystem::path>& inputs, bool recursive);

/// Answers per item type, one a line: "type<TAB>replacement", "type<TAB>remove" or "type<TAB>skip";
/// '#' lines and empty lines are comments. Throws Error(BadList) naming `name` and the line.
struct TypeAnswer {
    std::int16_t id = 0;
    ReplacementAnswer answer;
};
std::vector<TypeAnswer> answersFromText(std::string_view text, std::string_view name);

class Campaign {
public:
    Campaign(ListAccess lists, Style style);

    /// Plans the outputs in `folder`; `form` nullopt: each input's own form. Answers the refusal
    /// message (empty when the plan is sound). Nothing is read or written.
    std::string plan(const std::vector<CampaignInput>& inputs, const std::filesystem::path& folder,
                     std::optional<MissionForm> form);
    /// The files whose output exists already.
    std::vector<const CampaignFile*> collisions() const;
    /// Leaves the files whose output exists already out of the campaign (the answer "No" to the
    /// question about them).
    void dropCollisions();

    /// Reads every input (`given`: the version of all, else recognised from each file); `stop`
    /// is asked between files.
    void open(std::optional<DfType> given = std::nullopt, const std::function<bool()>& stop = {});

    /// The item types that a conversion into `target` (None: each file keeps its version) would
    /// ask about and no answer given yet covers, in order of first use.
    std::vector<CampaignMissingType> missingTypes(DfType target) const;
    /// The answer for an item type of `from` bound for `to`, for every mission.
    void answer(std::int16_t id, DfType from, DfType to, ReplacementAnswer answer);
    /// An answer from a file of answers (answersFromText), for every source version: it comes
    /// before the replacement lists.
    void answer(std::int16_t id, DfType to, ReplacementAnswer answer);

    /// Makes the output folder (with those on the way) unless it is there; the message when it
    /// cannot be made.
    std::string makeFolder() const;

    /// What each save does besides the file written.
    struct RunOptions {
        DfType target = DfType::None;        ///< None: each file keeps its version
        std::optional<std::string> terrain;  ///< the terrain name of every converted mission
        Timestamp createdOn;
        bool reportLosses = true;
        /// Asked what no answer covers (none: such a type is kept, as "Skip").
        ReplacementChooser* fallback = nullptr;
        /// Told before each file is converted: its index and the number of files.
        std::function<void(std::size_t, std::size_t, const CampaignFile&)> progress;
        /// Asked between files: true stops the campaign there.
        std::function<bool()> stop;
    };
    /// Converts and saves every file that was read; answers whether it ran to the end.
    bool run(const RunOptions& options, FileSystem& fileSystem = realFileSystem());

    const std::vector<CampaignFile>& files() const { return files_; }
    std::size_t count(CampaignFile::Result result) const;
    const std::filesystem::path& folder() const { return folder_; }

private:
    ListAccess lists_;
    Style style_;
    std::filesystem::path folder_;
    std::vector<CampaignFile> files_;
    std::vector<MissionSession> sessions_;  ///< one per file, once read
    struct Answer {
        std::int16_t id;
        DfType from, to;
        ReplacementAnswer answer;
        bool beforeLists;
    };
    std::vector<Answer> answers_;
    bool answered(std::int16_t id, DfType from, DfType to) const;
};

}  // namespace vok::workflow
