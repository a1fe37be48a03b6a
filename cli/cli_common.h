#pragma once
// What the vok commands share: the list store, loaded when first needed, the mission session in
// vok's style, and failing with a message.

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>

#include "cli/cli.h"
#include "lists/list_store.h"
#include "mission/core/error.h"
#include "mission/core/timestamp.h"
#include "mission/mission_file.h"
#include "workflow/mission_session.h"

namespace vok::cli {

/// A command failed; its message has been written to standard error already.
class Failed : public std::runtime_error {
public:
    Failed() : std::runtime_error("failed") {}
};

/// The command line itself is wrong (exit 2); the message is the exception's text.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Context {
public:
    Context(std::ostream& out, std::ostream& err, const Environment& environment);

    std::ostream& out;
    std::ostream& err;
    const Environment& environment;
    std::filesystem::path listsFolder;
    bool quiet = false;

    /// The six lists of listsFolder, loaded on first use (after recoverLists); a load failure is
    /// reported and Failed.
    ListStore& lists();
    /// Settles an interrupted import of the lists and clears what failed commands left beside them
    /// (recoverListFolder), saying so on standard error; a failure is reported and Failed.
    void recoverLists();
    /// The bytes of an input file; a failure is reported and Failed. A command reads each input
    /// once (a FIFO can be read only once).
    std::string inputBytes(const std::filesystem::path& path) const;
    Timestamp createdOn() const;

    /// A mission session that writes vok's messages and loads the lists when it first needs them.
    workflow::MissionSession session();

    /// Writes the message of an Error (workflow::fileFailureText) and throws Failed.
    [[noreturn]] void fail(const Error& error) const;
    /// Writes "vok: <text>" and throws Failed.
    [[noreturn]] void fail(const std::string& text) const;
    /// Writes a message of the workflow, whole lines in vok's style, and throws Failed.
    [[noreturn]] void failWith(const std::string& message) const;

private:
    std::unique_ptr<ListStore> lists_;
};

/// The form of a mission path; a usage error for any extension other than .bms or .mis.
MissionForm requireForm(const std::filesystem::path& path);

/// Opens a mission file in `session`: of the version `given` when set, else of the version
/// recognised from the file (binary by its header, ascii by its title line or its item types
/// against the lists). Every failure, an unrecognised version included, is reported and Failed.
void openMission(Context& context, workflow::MissionSession& session, const std::filesystem::path& path,
                 MissionForm form, std::optional<DfType> given);

/// Reports an open that did not succeed (an unrecognised version with vok's advice) and fails.
void requireOpened(const Context& context, const workflow::StepResult& opened, const std::filesystem::path& path);

std::string utf8(std::string_view codePageText);

}  // namespace vok::cli
