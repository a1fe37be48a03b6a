#pragma once
// The mission session: open a mission file, convert it to another game version, save it, and say
// what happened. Every face drives it (the converter window, vok, a page, a campaign) and only
// shows what it answers and answers what it asks:
//
//   open    the file is read once; its version is recognised (or given), and when it is not the
//           face is asked through a callback; an ascii file that holds no mission is told before
//           its version is asked; what the ascii reader passed over is kept.
//   convert into a target version through the ReplacementChooser the face gives; the terrain
//           name of the converted mission is asked through a callback (no answer ends the save).
//   save    to a path through the safe save path (writeFileAtomically), or to bytes.
//   report  one report per save: the conversion's lines and what the ascii form does not carry,
//           computed from the bytes written; and the lines the reader passed over at the open.
//
// A step answers a StepResult: done, given up by the user, or failed with the message the face
// shows (messages.h, in the session's style). A step that fails or is given up leaves the session
// as it was before it. No exception leaves a step except those the face's own callbacks and list
// access throw, which pass through untouched.
//
// Plain C++ without a file system of its own beyond the path functions: a page opens from bytes
// and saves to bytes. Single-threaded; one session per mission being worked on.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "conversion/chooser.h"
#include "conversion/conversion_report.h"
#include "conversion/convert.h"
#include "lists/list_store.h"
#include "mission/core/file_io.h"
#include "mission/core/timestamp.h"
#include "mission/mission_file.h"
#include "workflow/messages.h"

namespace vok::workflow {

/// How a step ended.
struct StepResult {
    enum class Outcome {
        Done,
        GivenUp,  ///< the user gave it up: a version or terrain question unanswered, "Cancel Save"
        Failed,   ///< `message` says why
    };
    Outcome outcome = Outcome::Done;
    std::string message;

    bool done() const { return outcome == Outcome::Done; }
    bool givenUp() const { return outcome == Outcome::GivenUp; }
    bool failed() const { return outcome == Outcome::Failed; }
};

/// The lists, when a step first needs them (an ascii file's version, a conversion). It may throw
/// (vok reports a list that cannot be loaded and ends); the exception passes through the session.
using ListAccess = std::function<ListStore&()>;

/// "Which version is this file?", asked when it was not recognised: a version, or nullopt to give
/// the open up.
using VersionQuestion = std::function<std::optional<DfType>()>;

/// The terrain name of a converted mission, offered `suggested` (code page bytes): the answer, or
/// nullopt to end the save.
using TerrainQuestion = std::function<std::optional<std::string>(const std::string& suggested)>;

/// What a save did and could not do.
struct SaveReport {
    std::string name;  ///< the file written, as the messages name it
    DfType from = DfType::None;
    DfType to = DfType::None;
    MissionForm form = MissionForm::Binary;
    /// The conversion's lines (a save of the version read has none), then what the ascii form does
    /// not carry (when asked for).
    std::vector<ReportLine> lines;

    bool converted() const { return from != to; }
    /// Something is not carried as it was: any line beyond the defaults set.
    bool losesSomething() const;
};

/// What a save writes.
struct SaveRequest {
    DfType target = DfType::None;
    MissionForm form = MissionForm::Binary;
    Timestamp createdOn;       ///< the ascii form's "created on" line
    bool reportLosses = true;  ///< find what the ascii form does not carry (vok --quiet does not)
};

class MissionSession {
public:
    MissionSession(ListAccess lists, Style style);

    // ----- open -----

    /// Opens a file. `given`: its version as the user stated it (nothing is recognised then).
    StepResult open(const std::filesystem::path& path, MissionForm form, const VersionQuestion& ask,
                    std::optional<DfType> given = std::nullopt);
    /// Opens the bytes of a file; `name` names it in the messages.
    StepResult openBytes(std::string_view bytes, std::string name, MissionForm form, const VersionQuestion& ask,
                         std::optional<DfType> given = std::nullopt);

    /// None before the first open, NotRecognised after an open whose version question was given
    /// up, else the version of the mission held.
    DfType version() const { return version_; }
    bool holdsMission() const { return isVersion(version_); }
    /// The mission read (or nothing useful unless holdsMission).
    const AnyMission& mission() const { return mission_; }
    /// The file it was read from, as the messages name it.
    const std::string& name() const { return name_; }
    MissionForm form() const { return form_; }
    /// What the ascii reader read past, in the order of the file's lines.
    const std::vector<PassedOver>& passedOver() const { return passedOver_; }
    /// The same as report lines, "Ignored: line 3: unknown keyword ...".
    std::vector<ReportLine> passedOverLines() const;

    // ----- convert -----

    /// The item types of the mission held that neither `target`'s list nor a replacement covers:
    /// the questions a conversion would ask, each once, with how many items use it.
    std::vector<MissingType> missingTypes(DfType target) const;

    /// Converts the mission held into `target` (nothing to do for its own version) and asks for
    /// the terrain name. The result is what a save for `target` writes, until the next convert or
    /// open.
    StepResult convert(DfType target, ReplacementChooser& chooser, const TerrainQuestion& terrain);

    /// Sets the terrain name of what a save for `target` writes (vok's --terrain without a
    /// conversion).
    void setTerrain(DfType target, std::string_view terrain);

    /// convert() without the terrain question, as vok and a campaign do: a conversion takes
    /// `terrain`, else the name suggested; for the version held `terrain`, when given, is set.
    StepResult convert(DfType target, ReplacementChooser& chooser, const std::optional<std::string>& terrain);

    /// What a save for `target` writes: the mission held for its own version, else the last
    /// conversion into `target`; null when there is none.
    const AnyMission* missionFor(DfType target) const;

    // ----- save -----

    /// Writes what a save for `request.target` writes to `path`, safely: a failed save leaves an
    /// earlier file untouched.
    StepResult save(const std::filesystem::path& path, const SaveRequest& request,
                    FileSystem& fileSystem = realFileSystem());
    /// The same into `bytes`; `name` names the file in the report and the messages.
    StepResult saveToBytes(std::string& bytes, std::string name, const SaveRequest& request);

    /// The report of the last save that succeeded.
    const SaveReport& saveReport() const { return saveReport_; }

private:
    StepResult read(std::string_view bytes, std::string name, MissionForm form, const VersionQuestion& ask,
                    std::optional<DfType> given);
    StepResult recognise(std::string_view bytes, const std::string& name, MissionForm form, DfType& version);
    StepResult failed(std::string message) const;
    /// Writes the bytes (`write` puts them in place) and makes the save's report.
    StepResult write(const std::string& name, const SaveRequest& request,
                     const std::function<void(const std::string&)>& put);

    ListAccess lists_;
    Style style_;

    DfType version_ = DfType::None;
    AnyMission mission_;
    std::string name_;
    MissionForm form_ = MissionForm::Binary;
    std::vector<PassedOver> passedOver_;

    std::optional<AnyMission> converted_;  ///< the last conversion, into another version
    ConversionReport conversionReport_;    ///< its report
    SaveReport saveReport_;
};

}  // namespace vok::workflow
