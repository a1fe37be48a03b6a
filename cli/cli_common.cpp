#include "cli/cli_common.h"

#include "lists/codepage.h"
#include "lists/list_journal.h"
#include "mission/core/version_detect.h"
#include "workflow/messages.h"

namespace vok::cli {

Context::Context(std::ostream& o, std::ostream& e, const Environment& env)
    : out(o), err(e), environment(env), listsFolder(env.programFolder) {}

void Context::recoverLists() {
    try {
        const std::string note = recoverListFolder(listsFolder);
        if (!note.empty()) err << "vok: " << displayPath(listsFolder) << ": " << note << "\n";
    } catch (const Error& error) {
        fail(error);
    }
}

const std::string& Context::inputBytes(const std::filesystem::path& path) {
    if (inputPath_ != path) {
        inputPath_.reset();
        try {
            inputBytes_ = readFile(path);
        } catch (const Error& error) {
            fail(error);
        }
        inputPath_ = path;
    }
    return inputBytes_;
}

ListStore& Context::lists() {
    if (!lists_) {
        recoverLists();
        auto store = std::make_unique<ListStore>(listsFolder);
        try {
            store->InitilizeItemLists();
        } catch (const Error& error) {
            failWith(workflow::listLoadFailureText(error, workflow::Style::Terminal));
        }
        lists_ = std::move(store);
    }
    return *lists_;
}

Timestamp Context::createdOn() const {
    return environment.sourceDateEpoch ? utcFromEpochSeconds(*environment.sourceDateEpoch) : localNow();
}

workflow::MissionSession Context::session() {
    return workflow::MissionSession([this]() -> ListStore& { return lists(); }, workflow::Style::Terminal);
}

void Context::fail(const Error& error) const { failWith(workflow::fileFailureText(error, workflow::Style::Terminal)); }

void Context::fail(const std::string& text) const { failWith("vok: " + text + "\n"); }

void Context::failWith(const std::string& message) const {
    err << message;
    throw Failed();
}

MissionForm requireForm(const std::filesystem::path& path) {
    const auto form = formOfPath(path);
    if (!form) throw UsageError(displayPath(path) + ": the extension must be .bms or .mis");
    return *form;
}

void openMission(Context& context, workflow::MissionSession& session, const std::filesystem::path& path,
                 MissionForm form, std::optional<DfType> given) {
    // Read through the context, once: the version test and the reading share the bytes, so that a
    // FIFO or a pipe serves. The lists an ascii file's version is recognised by come first.
    if (form == MissionForm::Ascii && !given) (void)context.lists();
    const workflow::StepResult opened = session.openBytes(context.inputBytes(path), displayPath(path), form, {}, given);
    if (opened.failed()) context.failWith(opened.message);
    if (opened.givenUp()) {
        context.failWith(workflow::versionNotRecognisedText(displayPath(path), workflow::Style::Terminal));
    }
}

AnyMission readMission(Context& context, const std::filesystem::path& path, MissionForm form, DfType version) {
    workflow::MissionSession session = context.session();
    openMission(context, session, path, form, version);
    return session.mission();
}

std::string utf8(std::string_view codePageText) { return cp1252ToUtf8(codePageText); }

}  // namespace vok::cli
