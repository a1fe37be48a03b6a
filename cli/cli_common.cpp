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

std::string Context::inputBytes(const std::filesystem::path& path) const {
    try {
        return readFile(path);
    } catch (const Error& error) {
        fail(error);
    }
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
    requireOpened(context, session.open(path, form, {}, given), path);
}

void requireOpened(const Context& context, const workflow::StepResult& opened, const std::filesystem::path& path) {
    if (opened.failed()) context.failWith(opened.message);
    if (opened.givenUp()) {
        context.failWith(workflow::versionNotRecognisedText(displayPath(path), workflow::Style::Terminal));
    }
}

std::string utf8(std::string_view codePageText) { return cp1252ToUtf8(codePageText); }

}  // namespace vok::cli
