// vok convert IN OUT [--from V] [--to V] [--replace skip|remove|fail] [--terrain TEXT]
// vok convert IN... [--to V] [--form bms|mis] [--recursive] [--replace-with FILE] -o DIR
#include <algorithm>
#include <chrono>
#include <vector>

#include "cli/command_line.h"
#include "lists/codepage.h"
#include "mission/core/text.h"
#include "workflow/campaign.h"
#include "workflow/choosers.h"
#include "workflow/messages.h"

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
    const workflow::StepResult converted = session.convert(to, chooser, options.terrain);
    if (!converted.done()) context.failWith(converted.message);
}

void convertOne(Context& context, const ConvertOptions& options, const std::filesystem::path& in,
                const std::filesystem::path& out, MissionForm outForm) {
    workflow::MissionSession session = context.session();
    openMission(context, session, in, requireForm(in), options.from);
    const DfType to = options.to.value_or(session.version());
    convertInto(context, options, session, to);
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

    // Batch: the inputs (a folder gives its mission files) into the folder, as a campaign.
    if (options.inputs.empty()) throw UsageError("convert -o DIR needs at least one input");
    for (const auto& in : options.inputs) {
        std::error_code ec;
        if (!std::filesystem::is_directory(in, ec)) requireForm(in);
    }
    std::vector<workflow::CampaignInput> inputs;
    try {
        inputs = workflow::campaignInputs(options.inputs, options.recursive);
    } catch (const Error& error) {
        context.fail(error);
    }
    workflow::Campaign campaign([&context]() -> ListStore& { return context.lists(); }, workflow::Style::Terminal);
    if (const std::string refused = campaign.plan(inputs, options.outputFolder, options.form); !refused.empty()) {
        context.err << refused;
        return kFailed;
    }
    const DfType target = options.to.value_or(DfType::None);
    if (!options.answers.empty()) {
        try {
            for (const auto& [id, answer] :
                 workflow::answersFromText(readFile(options.answers), displayPath(options.answers)))
                if (target != DfType::None) campaign.answer(id, target, answer);
        } catch (const Error& error) {
            context.fail(error);
        }
    }
    campaign.open(options.from);

    const auto printFailure = [&context](const workflow::CampaignFile& file) {
        if (file.result == workflow::CampaignFile::Result::Failed) context.err << file.message;
    };
    if (options.replace == ReplacePolicy::Fail) {
        // One table for the whole batch, then a line for each file that is not converted.
        const std::vector<workflow::CampaignMissingType> missing = campaign.missingTypes(target);
        if (!missing.empty()) {
            context.err << workflow::campaignMissingTypesText(missing, target, workflow::Style::Terminal);
            for (const workflow::CampaignFile& file : campaign.files()) {
                if (const std::size_t uses = workflow::missingTypesUsedBy(file, missing); uses > 0) {
                    context.err << workflow::campaignFileNotConvertedText(displayPath(file.input), uses,
                                                                          workflow::Style::Terminal);
                }
                printFailure(file);
            }
            return kFailed;
        }
    }
    if (const std::string refused = campaign.makeFolder(); !refused.empty()) {
        context.err << refused;
        return kFailed;
    }

    workflow::FixedChooser fallback = chooserOf(options.replace);
    workflow::Campaign::RunOptions run;
    run.target = target;
    run.terrain = options.terrain;
    run.createdOn = context.createdOn();
    run.reportLosses = !context.quiet;
    run.fallback = &fallback;
    // A progress line on a terminal, once the batch has taken longer than a second.
    const auto start = std::chrono::steady_clock::now();
    bool progressShown = false;
    if (context.environment.errIsTerminal) {
        run.progress = [&](std::size_t index, std::size_t total, const workflow::CampaignFile& file) {
            if (std::chrono::steady_clock::now() - start < std::chrono::seconds(1)) return;
            context.err << "\r\x1b[Kvok: converting " << index + 1 << " of " << total << ": " << displayPath(file.input)
                        << std::flush;
            progressShown = true;
        };
    }
    campaign.run(run);
    if (progressShown) context.err << "\r\x1b[K";
    for (const workflow::CampaignFile& file : campaign.files()) {
        printFailure(file);
        if (file.result == workflow::CampaignFile::Result::Written && !context.quiet) printReport(context, file.report);
    }
    return campaign.count(workflow::CampaignFile::Result::Failed) > 0 ? kFailed : kSuccess;
}

void addConvertCommand(CLI::App& app, Context& context, Commands& commands) {
    struct Line {
        std::vector<std::string> files;
        std::string from, to, replace = "fail", form, terrain, outputFolder, answers;
        bool recursive = false;
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
    command->add_option("-o,--output", line->outputFolder, "Batch: folder for the outputs (made when missing)");
    command->add_flag("-r,--recursive", line->recursive,
                      "Batch: the sub-folders of a folder given too, the tree kept under -o");
    command->add_option("--replace-with", line->answers,
                        "Batch: a text file of answers, one a line: type<TAB>replacement, type<TAB>remove or "
                        "type<TAB>skip");
    command->footer(
        "Examples:\n"
        "  vok convert m01.bms m01.mis                     binary to ascii, same version\n"
        "  vok convert m01.bms m01_lw.bms --to df3         Delta Force 2 to Land Warrior\n"
        "  vok convert *.bms --to df1 --form mis -o out/   many missions at once\n"
        "  vok convert campaign/ --to df3 -r -o lw/        a folder, its sub-folders too\n"
        "  vok convert campaign/ --to df3 --replace-with answers.txt -o lw/\n"
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
            std::string bad;
            options.terrain = utf8ToCp1252(line->terrain, &bad);
            if (!options.terrain) throw UsageError("--terrain: " + workflow::terrainRefusedText(bad));
        }
        if (!line->form.empty()) options.form = keywordIs(line->form, "bms") ? MissionForm::Binary : MissionForm::Ascii;
        for (const auto& file : line->files) options.inputs.push_back(pathFromUtf8(file));
        options.outputFolder = pathFromUtf8(line->outputFolder);
        options.recursive = line->recursive;
        if (!line->answers.empty()) options.answers = pathFromUtf8(line->answers);
        if (options.outputFolder.empty() && (options.recursive || !options.answers.empty()))
            throw UsageError("--recursive and --replace-with go with -o DIR");
        return convertCommand(context, options);
    });
}

}  // namespace vok::cli
