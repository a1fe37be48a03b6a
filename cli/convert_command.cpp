// vok convert IN OUT [--from V] [--to V] [--replace skip|remove|fail] [--terrain TEXT]
// vok convert IN... [--to V] [--form bms|mis] -o DIR
#include <map>
#include <utility>
#include <vector>

#include "cli/command_line.h"
#include "conversion/convert.h"
#include "mission/core/platform.h"
#include "mission/core/text.h"
#include "workflow/choosers.h"

namespace vok::cli {

namespace {

/// The command line's answer to a missing item type: keep it, or set it to 0.
workflow::FixedChooser chooserOf(ReplacePolicy policy) {
    return workflow::FixedChooser(policy == ReplacePolicy::Remove ? ReplacementAnswer::remove()
                                                                  : ReplacementAnswer::skip());
}

// The conversion's report and what the ascii form does not carry, after a successful save.
void printReport(Context& context, const workflow::SaveReport& report) {
    if (report.lines.empty()) return;
    context.err << workflow::saveReportHeading(report.name, report.from, report.to, workflow::Style::Terminal);
    for (const ReportLine& line : report.lines) context.err << "  " << workflow::reportLineText(line) << "\n";
}

void convertInto(Context& context, const ConvertOptions& options, workflow::MissionSession& session, DfType to) {
    if (options.replace == ReplacePolicy::Fail) {
        const std::vector<MissingType> missing = session.missingTypes(to);
        if (!missing.empty()) {
            context.failWith(workflow::missingTypesText(session.name(), missing, to, workflow::Style::Terminal));
        }
    }
    workflow::FixedChooser chooser = chooserOf(options.replace);
    const workflow::StepResult converted = session.convert(
        to, chooser, [&options](const std::string& suggested) { return options.terrain.value_or(suggested); });
    if (!converted.done()) context.failWith(converted.message);
}

void convertOne(Context& context, const ConvertOptions& options, const std::filesystem::path& in,
                const std::filesystem::path& out, MissionForm outForm) {
    workflow::MissionSession session = context.session();
    openMission(context, session, in, requireForm(in), options.from);
    const DfType to = options.to.value_or(session.version());
    if (to != session.version()) {
        convertInto(context, options, session, to);
    } else if (options.terrain) {
        session.setTerrain(to, *options.terrain);
    }
    const workflow::StepResult saved = session.save(out, {to, outForm, context.createdOn(), !context.quiet});
    if (!saved.done()) context.failWith(saved.message);
    if (!context.quiet) printReport(context, session.saveReport());
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

void addConvertCommand(CLI::App& app, Context& context, Commands& commands) {
    struct Line {
        std::vector<std::string> files;
        std::string from, to, replace = "fail", form, terrain, outputFolder;
        CLI::Option* terrainOption = nullptr;
    };
    auto line = std::make_shared<Line>();
    auto* command = app.add_subcommand("convert", "Convert a mission into another form or game version");
    command->add_option("files", line->files, "IN OUT, or several inputs with -o DIR")->required();
    command->add_option("--from", line->from, "Version of IN: df1, df2 or df3 (default: recognised from the file)")
        ->check(versionValidator());
    command->add_option("--to", line->to, "Version of OUT (default: the version of IN)")->check(versionValidator());
    command
        ->add_option("--replace", line->replace,
                     "An item type the target lacks and no replacement covers: skip (keep it), remove (type 0) "
                     "or fail (default; lists every such type)")
        ->check(CLI::IsMember({"skip", "remove", "fail"}, CLI::ignore_case));
    line->terrainOption = command->add_option("--terrain", line->terrain, "Terrain name of OUT");
    command->add_option("--form", line->form, "Batch: form of the outputs, bms or mis (default: that of each input)")
        ->check(CLI::IsMember({"bms", "mis"}, CLI::ignore_case));
    command->add_option("-o,--output", line->outputFolder, "Batch: folder for the outputs");
    command->footer(
        "Examples:\n"
        "  vok convert m01.bms m01.mis                     binary to ascii, same version\n"
        "  vok convert m01.bms m01_lw.bms --to df3         Delta Force 2 to Land Warrior\n"
        "  vok convert *.bms --to df1 --form mis -o out/   many missions at once\n"
        "  vok convert m01.mis m01.bms --from df2 --to df1 --replace remove");
    commands.emplace_back(command, [&context, line] {
        ConvertOptions options;
        options.from = versionOption(line->from);
        options.to = versionOption(line->to);
        options.replace = keywordIs(line->replace, "skip")     ? ReplacePolicy::Skip
                          : keywordIs(line->replace, "remove") ? ReplacePolicy::Remove
                                                               : ReplacePolicy::Fail;
        if (line->terrainOption->count() > 0) {
            // Stored in Windows-1252, as the game shows it; what the code page lacks is refused.
            std::string message;
            options.terrain = terrainFromUtf8(line->terrain, &message);
            if (!options.terrain) throw UsageError("--terrain: " + message);
        }
        if (!line->form.empty()) options.form = keywordIs(line->form, "bms") ? MissionForm::Binary : MissionForm::Ascii;
        for (const auto& file : line->files) options.inputs.push_back(pathFromUtf8(file));
        options.outputFolder = pathFromUtf8(line->outputFolder);
        return convertCommand(context, options);
    });
}

}  // namespace vok::cli
