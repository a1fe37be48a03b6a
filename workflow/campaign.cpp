#include "workflow/campaign.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>

#include "mission/core/platform.h"
#include "workflow/choosers.h"

namespace vok::workflow {

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> missionFilesOf(const fs::path& folder, bool recursive) {
    std::vector<fs::path> found;
    std::error_code ec;
    const auto take = [&found](const fs::directory_entry& entry) {
        std::error_code typeError;
        if (entry.is_regular_file(typeError) && formOfPath(entry.path())) found.push_back(entry.path());
    };
    if (recursive) {
        for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) take(*it);
    } else {
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) take(*it);
    }
    if (ec) throw Error(Fault::CannotOpen, displayPath(folder), ec.message());
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace

std::size_t missingTypesUsedBy(const CampaignFile& file, const std::vector<CampaignMissingType>& missing) {
    const std::string name = displayPath(file.input);
    return static_cast<std::size_t>(std::count_if(missing.begin(), missing.end(), [&name](const auto& type) {
        return std::find(type.files.begin(), type.files.end(), name) != type.files.end();
    }));
}

std::vector<CampaignInput> campaignInputs(const std::vector<fs::path>& inputs, bool recursive) {
    std::vector<CampaignInput> files;
    for (const fs::path& input : inputs) {
        std::error_code ec;
        if (!fs::is_directory(input, ec)) {
            files.push_back({input, {}});
            continue;
        }
        for (const fs::path& file : missionFilesOf(input, recursive)) {
            files.push_back({file, file.parent_path().lexically_relative(input)});
            if (files.back().subFolder == ".") files.back().subFolder.clear();
        }
    }
    return files;
}

std::vector<TypeAnswer> answersFromText(std::string_view text, std::string_view name) {
    std::vector<TypeAnswer> answers;
    std::int64_t number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (number == 1 && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
        if (line.empty() || line.front() == '#') continue;
        const std::size_t tab = line.find('\t');
        const auto bad = [&](const std::string& what) {
            return Error(Fault::BadList, std::string(name), what, number);
        };
        if (tab == std::string_view::npos) throw bad("a type, a tab and replacement, remove or skip are expected");
        const std::string_view type = line.substr(0, tab), answer = line.substr(tab + 1);
        const auto toId = [&](std::string_view digits, const char* what) {
            int value = 0;
            const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
            if (result.ec != std::errc() || result.ptr != digits.data() + digits.size() || value < 1 || value > 32767)
                throw bad(std::string(what) + " \"" + std::string(digits) + "\" is not a number from 1 to 32767");
            return static_cast<std::int16_t>(value);
        };
        const std::int16_t id = toId(type, "the type");
        if (answer == "remove") {
            answers.push_back({id, ReplacementAnswer::remove()});
        } else if (answer == "skip") {
            answers.push_back({id, ReplacementAnswer::skip()});
        } else {
            answers.push_back({id, ReplacementAnswer::replace(toId(answer, "the replacement"))});
        }
    }
    return answers;
}

Campaign::Campaign(ListAccess lists, Style style) : lists_(std::move(lists)), style_(style) {}

std::string Campaign::plan(const std::vector<CampaignInput>& inputs, const fs::path& folder,
                           std::optional<MissionForm> form) {
    folder_ = folder;
    files_.clear();
    sessions_.clear();
    for (const CampaignInput& input : inputs) {
        CampaignFile file;
        file.input = input.file;
        file.outputForm = form.value_or(formOfPath(input.file).value_or(MissionForm::Binary));
        file.output = folder / input.subFolder / input.file.stem();
        file.output += file.outputForm == MissionForm::Binary ? ".bms" : ".mis";
        files_.push_back(std::move(file));
    }
    // Every output is known before anything is written, so that a campaign can never overwrite one
    // of its own inputs, nor write two inputs into one file.
    std::map<fs::path::string_type, std::size_t> outputs;
    for (std::size_t i = 0; i < files_.size(); ++i) {
        const auto [other, added] = outputs.emplace(platform::pathKey(files_[i].output), i);
        if (!added) return sameOutputText(files_[other->second].input, files_[i].input, files_[i].output, style_);
        std::error_code ec;
        if (!fs::exists(files_[i].output, ec)) continue;
        for (const CampaignFile& file : files_) {
            if (platform::sameFile(files_[i].output, file.input))
                return outputIsInputText(files_[i].output, files_[i].input, file.input, style_);
        }
    }
    return {};
}

std::vector<const CampaignFile*> Campaign::collisions() const {
    std::vector<const CampaignFile*> existing;
    for (const CampaignFile& file : files_) {
        std::error_code ec;
        if (fs::exists(file.output, ec)) existing.push_back(&file);
    }
    return existing;
}

void Campaign::dropCollisions() {
    std::erase_if(files_, [](const CampaignFile& file) {
        std::error_code ec;
        return fs::exists(file.output, ec);
    });
}

void Campaign::open(std::optional<DfType> given, const std::function<bool()>& stop) {
    sessions_.clear();
    for (CampaignFile& file : files_) {
        sessions_.emplace_back(lists_, style_);
        if (stop && stop()) continue;
        MissionSession& session = sessions_.back();
        const StepResult opened =
            session.open(file.input, formOfPath(file.input).value_or(MissionForm::Binary), {}, given);
        if (opened.failed()) {
            file.result = CampaignFile::Result::Failed;
            file.message = opened.message;
        } else if (opened.givenUp()) {
            file.result = CampaignFile::Result::Failed;
            file.message = campaignVersionNotRecognisedText(file.input, style_);
        }
    }
}

bool Campaign::answered(std::int16_t id, DfType from, DfType to) const {
    return std::any_of(answers_.begin(), answers_.end(), [&](const Answer& answer) {
        return answer.id == id && answer.to == to && (answer.from == from || answer.from == DfType::None);
    });
}

std::vector<CampaignMissingType> Campaign::missingTypes(DfType target) const {
    std::vector<CampaignMissingType> missing;
    for (std::size_t i = 0; i < sessions_.size(); ++i) {
        const MissionSession& session = sessions_[i];
        if (!session.holdsMission() || target == DfType::None) continue;
        for (const MissingType& type : session.missingTypes(target)) {
            if (answered(type.id, session.version(), target)) continue;
            auto it = std::find_if(missing.begin(), missing.end(), [&](const CampaignMissingType& known) {
                return known.id == type.id && known.from == session.version();
            });
            if (it == missing.end()) {
                missing.push_back({type.id, session.version(), type.description, 0, 0, {}});
                it = missing.end() - 1;
            }
            it->items += type.count;
            it->missions += 1;
            it->files.push_back(displayPath(files_[i].input));
        }
    }
    return missing;
}

void Campaign::answer(std::int16_t id, DfType from, DfType to, ReplacementAnswer answer) {
    answers_.push_back({id, from, to, answer, false});
}

void Campaign::answer(std::int16_t id, DfType to, ReplacementAnswer answer) {
    answers_.push_back({id, DfType::None, to, answer, true});
}

std::string Campaign::makeFolder() const {
    std::error_code ec;
    if (fs::is_directory(folder_, ec)) return {};
    fs::create_directories(folder_, ec);
    if (fs::is_directory(folder_, ec)) return {};
    return folderNotMadeText(folder_, style_);
}

bool Campaign::run(const RunOptions& options, FileSystem& fileSystem) {
    PresetChooser chooser(options.fallback);
    for (const Answer& answer : answers_) {
        for (DfType from : {DfType::Df1, DfType::Df2, DfType::Df3}) {
            if (answer.from == from || (answer.from == DfType::None && !chooser.answers(answer.id, from, answer.to)))
                chooser.preset(answer.id, from, answer.to, answer.answer, answer.beforeLists);
        }
    }
    for (std::size_t i = 0; i < files_.size(); ++i) {
        CampaignFile& file = files_[i];
        MissionSession& session = sessions_[i];
        if (!session.holdsMission()) continue;
        if (options.stop && options.stop()) return false;
        if (options.progress) options.progress(i, files_.size(), file);
        const DfType to = options.target == DfType::None ? session.version() : options.target;
        StepResult step = session.convert(to, chooser, options.terrain);
        if (step.done()) {
            std::error_code ec;
            if (!file.output.parent_path().empty()) fs::create_directories(file.output.parent_path(), ec);
            step =
                session.save(file.output, {to, file.outputForm, options.createdOn, options.reportLosses}, fileSystem);
        }
        if (!step.done()) {
            file.result = CampaignFile::Result::Failed;
            file.message = step.givenUp() ? std::string("the conversion was cancelled") : step.message;
            continue;
        }
        file.result = CampaignFile::Result::Written;
        file.report = session.saveReport();
        const ReportCounts counts = countReportLines(file.report.lines);
        file.replaced = counts.replaced;
        file.removed = counts.removed;
        file.kept = counts.kept;
        file.notCarried = counts.notCarried;
    }
    return true;
}

std::size_t Campaign::count(CampaignFile::Result result) const {
    return static_cast<std::size_t>(std::count_if(
        files_.begin(), files_.end(), [result](const CampaignFile& file) { return file.result == result; }));
}

}  // namespace vok::workflow
