// vok convert IN OUT [--from V] [--to V] [--replace skip|remove|fail] [--terrain TEXT]
// vok convert IN... [--to V] [--form bms|mis] -o DIR
#include <map>
#include <utility>
#include <vector>

#include "cli/commands.h"
#include "conversion/ascii_losses.h"
#include "conversion/convert.h"
#include "mission/core/platform.h"

namespace vok::cli {

namespace {

/// The command line's answer to a missing item type: keep it, or set it to 0.
class PolicyChooser : public ReplacementChooser {
public:
    explicit PolicyChooser(ReplacePolicy policy) : policy_(policy) {}
    ReplacementAnswer choose(std::int16_t, DfType, DfType) override {
        return policy_ == ReplacePolicy::Remove ? ReplacementAnswer::remove() : ReplacementAnswer::skip();
    }

private:
    ReplacePolicy policy_;
};

// The conversion's report and what the ascii form does not carry, after a successful save.
void printReport(Context& context, const std::filesystem::path& out, const ConversionReport& report) {
    if (context.quiet || report.empty()) return;
    context.err << "vok: " << displayPath(out) << ": ";
    if (report.from != report.to) {
        context.err << "converted from " << versionName(report.from) << " to " << versionName(report.to) << "\n";
    } else {
        context.err << "saved as a " << versionName(report.to) << " ascii mission\n";
    }
    for (const auto& line : report.lines) {
        context.err << "  " << reportKindLabel(line.kind) << ": " << utf8(line.text) << "\n";
    }
}

void convertOne(Context& context, const ConvertOptions& options, const std::filesystem::path& in,
                const std::filesystem::path& out, MissionForm outForm) {
    const MissionForm inForm = requireForm(in);
    const DfType from = missionVersion(context, in, inForm, options.from);
    AnyMission mission = readMission(context, in, inForm, from);
    const DfType to = options.to.value_or(from);

    ConversionReport report;
    if (to != from) {
        ListStore& lists = context.lists();
        if (options.replace == ReplacePolicy::Fail) {
            const auto missing = findMissingTypes(mission, to, lists);
            if (!missing.empty()) {
                context.err << "vok: " << displayPath(in) << ": " << missing.size() << " item "
                            << (missing.size() == 1 ? "type is" : "types are") << " missing in " << versionName(to)
                            << " and no replacement list entry covers " << (missing.size() == 1 ? "it" : "them")
                            << ":\n";
                for (const auto& type : missing) {
                    context.err << "  " << type.id << "  "
                                << (type.description.empty() ? "(no description)" : utf8(type.description)) << "  ("
                                << type.count << (type.count == 1 ? " item" : " items") << ")\n";
                }
                context.err
                    << "vok: add replacements (Vok_Tally, or vok lists import), or choose --replace skip|remove\n";
                throw Failed();
            }
        }
        PolicyChooser chooser(options.replace);
        mission = convertMission(mission, to, lists, chooser, &report);
        setTerrain(mission, options.terrain ? *options.terrain : suggestedTerrain(mission, from));
    } else {
        report.from = report.to = from;
        if (options.terrain) setTerrain(mission, *options.terrain);
    }
    try {
        saveMission(out, mission, outForm, context.createdOn());
    } catch (const Error& error) {
        context.fail(error);
    }
    if (outForm == MissionForm::Ascii && !context.quiet) {
        // What the saved file gives back, read from it rather than written once more; should it
        // not read, the analysis writes the mission itself.
        std::optional<std::string> saved;
        try {
            saved = readFile(out);
        } catch (const Error&) {
            saved.reset();
        }
        for (ReportLine& line : asciiSaveLosses(mission, saved)) report.lines.push_back(std::move(line));
    }
    printReport(context, out, report);
}

}  // namespace

int convertCommand(Context& context, const ConvertOptions& options) {
    if (options.outputFolder.empty()) {
        if (options.inputs.size() != 2) {
            throw UsageError("convert takes IN and OUT, or several inputs with -o DIR");
        }
        if (options.form) throw UsageError("--form goes with -o DIR; the form of OUT is its extension");
        const std::filesystem::path out = options.inputs[1];
        const MissionForm outForm = requireForm(out);
        requireForm(options.inputs[0]);
        convertOne(context, options, options.inputs[0], out, outForm);
        return kSuccess;
    }

    // Batch: each input into the folder under its own name with the new extension; a failure is
    // reported and the others go on.
    if (options.inputs.empty()) throw UsageError("convert -o DIR needs at least one input");
    for (const auto& in : options.inputs) requireForm(in);
    std::error_code ec;
    // Every output is known before anything is written, so that a batch can never overwrite one of
    // its own inputs, nor write two inputs into one file.
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> jobs;  // input, output
    for (const auto& inText : options.inputs) {
        const std::filesystem::path in = inText;
        const MissionForm outForm = options.form.value_or(requireForm(in));
        std::filesystem::path out = options.outputFolder / in.stem();
        out += outForm == MissionForm::Binary ? ".bms" : ".mis";
        jobs.emplace_back(in, out);
    }
    std::map<std::filesystem::path::string_type, std::size_t> outputs;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const auto [other, added] = outputs.emplace(platform::pathKey(jobs[i].second), i);
        if (!added) {
            context.err << "vok: " << displayPath(jobs[other->second].first) << " and " << displayPath(jobs[i].first)
                        << " would both be written to " << displayPath(jobs[i].second) << "; nothing was written\n";
            return kFailed;
        }
        if (!std::filesystem::exists(jobs[i].second, ec)) continue;
        for (const auto& job : jobs) {
            if (platform::sameFile(jobs[i].second, job.first)) {
                context.err << "vok: " << displayPath(jobs[i].second) << ", the output of "
                            << displayPath(jobs[i].first) << ", is the input " << displayPath(job.first)
                            << " itself; nothing was written\n";
                return kFailed;
            }
        }
    }
    if (!std::filesystem::is_directory(options.outputFolder, ec)) {
        // A missing folder is made (with the folders on the way) once the batch is known to be sound.
        std::filesystem::create_directories(options.outputFolder, ec);
        if (!std::filesystem::is_directory(options.outputFolder, ec)) {
            context.err << "vok: " << displayPath(options.outputFolder)
                        << ": the folder cannot be made (a file of that name, or no permission)\n";
            return kFailed;
        }
    }
    int status = kSuccess;
    for (const auto& [in, out] : jobs) {
        try {
            convertOne(context, options, in, out, *formOfPath(out));
        } catch (const Failed&) {
            status = kFailed;
        }
    }
    return status;
}

}  // namespace vok::cli
