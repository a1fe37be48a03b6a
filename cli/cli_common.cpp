#include "cli/cli_common.h"

#include "lists/codepage.h"
#include "lists/list_journal.h"
#include "mission/core/version_detect.h"

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
            err << "vok: Warning!, There Was an Error In 'InitilizeItemLists'\n"
                << "vok: " << error.path() << ": " << error.describe() << "\n";
            throw Failed();
        }
        lists_ = std::move(store);
    }
    return *lists_;
}

Timestamp Context::createdOn() const {
    return environment.sourceDateEpoch ? utcFromEpochSeconds(*environment.sourceDateEpoch) : localNow();
}

void Context::fail(const Error& error, std::optional<DfType> asciiVersion) const {
    const bool readerFault =
        asciiVersion && error.fault() != Fault::InvalidModel && error.fault() != Fault::CannotWrite;
    if (readerFault) {
        // The window's message, with the line ends of a terminal.
        std::string message;
        for (char c : asciiReaderMessage(asciiReaderName(*asciiVersion), error)) {
            if (c != '\r') message.push_back(c);
        }
        err << "vok: " << error.path() << ":\n" << message << "\n";
    } else {
        err << "vok: " << (error.path().empty() ? "" : error.path() + ": ") << error.describe();
        if (error.line() > 0) err << " at line " << error.line();
        err << "\n";
    }
    throw Failed();
}

void Context::fail(const std::string& text) const {
    err << "vok: " << text << "\n";
    throw Failed();
}

MissionForm requireForm(const std::filesystem::path& path) {
    const auto form = formOfPath(path);
    if (!form) throw UsageError(displayPath(path) + ": the extension must be .bms or .mis");
    return *form;
}

DfType missionVersion(Context& context, const std::filesystem::path& path, MissionForm form,
                      std::optional<DfType> given) {
    if (given) return *given;
    DfType version = DfType::NotRecognised;
    try {
        const std::string& bytes = context.inputBytes(path);
        version = form == MissionForm::Binary ? BmsVersionOfBytes(bytes) : MisVersionOfText(bytes, context.lists());
    } catch (const Error& error) {
        context.fail(error);
    }
    if (version == DfType::NotRecognised) {
        context.fail(displayPath(path) + ": the game version could not be recognised; give it with --from df1|df2|df3");
    }
    return version;
}

AnyMission readMission(Context& context, const std::filesystem::path& path, MissionForm form, DfType version) {
    try {
        return missionFromBytes(context.inputBytes(path), displayPath(path), version, form);
    } catch (const Error& error) {
        context.fail(error, form == MissionForm::Ascii && error.fault() != Fault::CannotOpen ? std::optional(version)
                                                                                             : std::nullopt);
    }
}

std::string utf8(std::string_view codePageText) { return cp1252ToUtf8(codePageText); }

}  // namespace vok::cli
