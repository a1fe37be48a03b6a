#include "web/facade.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "conversion/ascii_losses.h"
#include "lists/codepage.h"
#include "lists/list_files.h"
#include "lists/list_text.h"
#include "mission/core/item_counts.h"
#include "mission/core/version_detect.h"
#include "workflow/messages.h"

namespace vok::web {

namespace fs = std::filesystem;

namespace {

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw Message(path.filename().string() + ": cannot be written");
}

// The name a dropped file had, without any folder: the page never sees paths.
std::string baseName(const std::string& fileName) {
    const std::string name = fs::path(fileName).filename().string();
    if (name.empty() || name == "." || name == "..") throw Message("A mission file needs a name");
    return name;
}

// The window's suggestion: the name up to its first period, with the form's suffix.
std::string savedName(const std::string& fileName, MissionForm form) {
    const std::string name = baseName(fileName);
    return name.substr(0, name.find('.')) + (form == MissionForm::Binary ? ".bms" : ".mis");
}

std::string loadFailure(const Error& error) { return workflow::listLoadFailureText(error, workflow::Style::Window); }

}  // namespace

void NoticeChooser::replacementNotSaved(const Error& error) {
    notSaved.push_back(workflow::replacementNotSavedText(error, "", false));
}

Facade::Facade(fs::path workFolder, fs::path starterTexts)
    : work_(std::move(workFolder)),
      starterTexts_(std::move(starterTexts)),
      lists_(work_ / "lists"),
      session_(lists_, [this](int which) { return starterBytes(which); }) {
    for (const char* folder : {"lists", "text"}) fs::create_directories(work_ / folder);
    useStarterLists();
}

void Facade::loadLists() {
    try {
        lists_.InitilizeItemLists();
    } catch (const Error& error) {
        throw Message(loadFailure(error));
    }
}

void Facade::useStarterLists() {
    for (int which = 1; which <= kListCount; ++which) fs::remove(lists_.pathOf(which));
    try {
        importListTexts(starterTexts_, lists_.folder());
    } catch (const Error& error) {
        throw Message(loadFailure(error));
    }
    loadLists();
}

std::string Facade::starterBytes(int which) const {
    const std::string text = readBytes(starterTexts_ / textFileName(which));
    const std::string path = textFileName(which);
    return isItemList(which) ? encodeItemList(itemListFromText(text, path))
                             : encodeReplaceList(replaceListFromText(text, path));
}

std::string Facade::listFile(int which) const { return readBytes(lists_.pathOf(which)); }

void Facade::setListFiles(const std::array<std::string, kListCount>& files) {
    // Checked in a folder of their own first, so that the lists in use stay when one is faulty.
    const fs::path check = work_ / "check";
    fs::create_directories(check);
    for (int which = 1; which <= kListCount; ++which) {
        writeBytes(check / listFileName(which), files[static_cast<std::size_t>(which - 1)]);
    }
    ListStore trial(check);
    try {
        trial.InitilizeItemLists();
    } catch (const Error& error) {
        throw Message(loadFailure(error));
    }
    for (int which = 1; which <= kListCount; ++which) {
        writeBytes(lists_.pathOf(which), files[static_cast<std::size_t>(which - 1)]);
    }
    loadLists();
}

std::string Facade::listText(int which) const {
    const DfType version = versionOfList(which);
    return isItemList(which) ? itemListToText(lists_.Entries(version), which)
                             : replaceListToText(lists_.SavedReplacements(version), which);
}

void Facade::setListTexts(const std::array<std::string, kListCount>& texts) {
    const fs::path folder = work_ / "text";
    for (int which = 1; which <= kListCount; ++which) {
        writeBytes(folder / textFileName(which), texts[static_cast<std::size_t>(which - 1)]);
    }
    for (int which = 1; which <= kListCount; ++which) fs::remove(lists_.pathOf(which));
    try {
        importListTexts(folder, lists_.folder());
    } catch (const Error& error) {
        // Nothing was written: the lists in use go back to their files.
        for (int which = 1; which <= kListCount; ++which) lists_.SaveList(which);
        throw Message(fs::path(error.path()).filename().string() + ": " + error.describe() +
                      (error.line() > 0 ? " at line " + std::to_string(error.line()) : std::string()));
    }
    loadLists();
}

void Facade::change(const std::function<workflow::ChangeOutcome()>& apply) {
    try {
        // Another program never shares the page's folder; a reload is repeated once all the same.
        if (apply() == workflow::ChangeOutcome::Reloaded) apply();
    } catch (const Error& error) {
        throw Message(workflow::fileFailureText(error, workflow::Style::Window));
    }
}

void Facade::putItem(int which, std::optional<std::size_t> index, double id, const std::string& description) {
    if (!isItemList(which)) throw Message("not an item list");
    const DfType version = versionOfList(which);
    if (index && *index >= lists_.Entries(version).size()) throw Message("That entry is no longer in the list");
    const int position = index ? static_cast<int>(*index) + 1 : 0;
    const long n = std::lround(id);
    if (!(id >= 1 && id <= 9999) ||
        session_.checkItem(which, static_cast<int>(n), position) != workflow::EntryProblem::None) {
        throw Message(kInvalidId);
    }
    std::string bad;
    const auto text = utf8ToCp1252(description, &bad);
    if (!text) {
        throw Message(workflow::descriptionRefusedText(bad));
    }
    const ItemListEntry entry{static_cast<std::int16_t>(n), *text};
    const std::string what = (index ? "changed " : "added ") + std::to_string(n) + " " + description;
    change([&] {
        return index ? session_.changeItem(which, position, entry, what) : session_.addItem(which, entry, what);
    });
}

void Facade::putReplacement(int which, std::optional<std::size_t> index, const ReplaceEntry& entry) {
    if (!isReplaceList(which)) throw Message("not a replacement list");
    const DfType version = versionOfList(which);
    if (index && *index >= lists_.SavedReplacements(version).size()) {
        throw Message("That entry is no longer in the list");
    }
    const int position = index ? static_cast<int>(*index) + 1 : 0;
    const DfType target = dfTypeOf(entry.NewDfType);
    const std::string targetLabel = isVersion(target) ? std::string(versionLabel(target)) : "?";
    switch (session_.checkReplacement(which, entry.ObjectId, entry.NewDfType, entry.ReplacementId, position)) {
        case workflow::EntryProblem::None: break;
        case workflow::EntryProblem::AlreadyReplaced: {
            const std::int16_t first =
                firstReplacementFor(lists_.SavedReplacements(version), entry.NewDfType, entry.ObjectId)->ReplacementId;
            const std::string description = cp1252ToUtf8(lists_.ItemDescription(target, first));
            throw Message(workflow::alreadyReplacedText(
                entry.ObjectId, targetLabel, std::to_string(first) + (description.empty() ? "" : " " + description)));
        }
        case workflow::EntryProblem::ReplacementNotListed:
            throw Message(workflow::replacementNotListedText(entry.ReplacementId, targetLabel));
        default: throw Message(kInvalidId);
    }
    const std::string what = (index ? "changed " : "added ") + std::to_string(entry.ObjectId) + " -> " +
                             std::to_string(entry.ReplacementId) + " (" + targetLabel + ")";
    change([&] {
        return index ? session_.changeReplacement(which, position, entry, what)
                     : session_.addReplacement(which, entry, what);
    });
}

void Facade::deleteEntry(int which, std::size_t index) {
    const DfType version = versionOfList(which);
    const std::size_t size =
        isItemList(which) ? lists_.Entries(version).size() : lists_.SavedReplacements(version).size();
    if (index >= size) throw Message("That entry is no longer in the list");
    std::optional<workflow::ChangeOutcome> outcome;
    change([&] {
        outcome = session_.removeEntry(which, static_cast<int>(index) + 1, "deleted");
        return outcome.value_or(workflow::ChangeOutcome::Saved);
    });
    if (!outcome) {
        throw Message(workflow::onlyEntryText(listFileName(which)));
    }
}

MissionForm Facade::formOf(const std::string& fileName) {
    const auto form = formOfPath(fs::path(baseName(fileName)));
    if (!form) throw Message(workflow::dropRefusedText());
    return *form;
}

DfType Facade::detect(const std::string& bytes, const std::string& fileName) {
    const MissionForm form = formOf(fileName);
    return form == MissionForm::Binary ? BmsVersionOfBytes(bytes) : MisVersionOfText(bytes, lists_);
}

workflow::MissionSession Facade::newSession() {
    return workflow::MissionSession([this]() -> ListStore& { return lists_; }, workflow::Style::Window);
}

workflow::StepResult Facade::open(workflow::MissionSession& session, const std::string& bytes,
                                  const std::string& fileName, std::optional<DfType> version) {
    // The page asks for the version itself, beside the mission, and opens it again with the answer.
    const workflow::StepResult result = session.openBytes(bytes, baseName(fileName), formOf(fileName), {}, version);
    if (result.failed()) throw Message(result.message);
    return result;
}

MissionInfo Facade::inspect(const std::string& bytes, const std::string& fileName, std::optional<DfType> version) {
    MissionInfo info;
    info.form = formOf(fileName);
    workflow::MissionSession session = newSession();
    if (open(session, bytes, fileName, version).givenUp()) {
        info.version = DfType::NotRecognised;
        info.question = workflow::versionNotRecognisedText(baseName(fileName), workflow::Style::Window);
        return info;
    }
    info.version = session.version();
    for (const ReportLine& line : session.passedOverLines()) info.passedOver.push_back(cp1252ToUtf8(line.text));
    std::visit(
        [&info](const auto& m) {
            info.name = cp1252ToUtf8(m.header.name.text());
            info.designer = cp1252ToUtf8(m.header.designer.text());
            info.terrain = cp1252ToUtf8(m.header.terrain.text());
            info.items = m.items.size();
            for (const auto& item : m.items) ++info.categories[std::string(itemCategoryName(item.type_id))];
            info.events = m.events.size();
        },
        session.mission());
    for (const ReportLine& line : asciiSaveLosses(session.mission())) {
        info.asciiLosses.push_back(cp1252ToUtf8(line.text));
    }
    return info;
}

std::vector<MissingType> Facade::missingTypes(const std::string& bytes, const std::string& fileName, DfType from,
                                              DfType to) {
    workflow::MissionSession session = newSession();
    if (open(session, bytes, fileName, from).givenUp()) return {};
    return session.missingTypes(to);
}

std::string Facade::missingTypesText(const std::string& fileName, DfType to, const std::vector<MissingType>& missing) {
    return workflow::missingTypesText(baseName(fileName), missing, to, workflow::Style::Window);
}

Converted Facade::convert(const std::string& bytes, const std::string& fileName, const ConvertRequest& request,
                          ReplacementChooser& chooser) {
    workflow::MissionSession session = newSession();
    if (open(session, bytes, fileName, request.from).givenUp()) {
        throw Message(workflow::versionNotRecognisedText(baseName(fileName), workflow::Style::Window));
    }
    const DfType from = session.version();
    const DfType to = request.to.value_or(from);
    const MissionForm outForm = request.form.value_or(session.form());

    Converted result;
    result.name = savedName(fileName, outForm);
    // The terrain question takes the suggestion, as vok does.
    const workflow::StepResult converted =
        session.convert(to, chooser, [](const std::string& suggested) { return std::optional(suggested); });
    if (converted.givenUp()) {
        result.cancelled = true;
        result.heading = result.name + ": The Save Was Cancelled; Nothing Was Written";
        return result;
    }
    if (converted.failed()) throw Message(converted.message);

    workflow::SaveRequest save;
    save.target = to;
    save.form = outForm;
    save.createdOn = request.epoch ? utcFromEpochSeconds(*request.epoch) : localNow();
    const workflow::StepResult saved = session.saveToBytes(result.bytes, result.name, save);
    if (!saved.done()) throw Message(saved.message);
    const workflow::SaveReport& report = session.saveReport();
    for (const ReportLine& line : report.lines) result.report.push_back(workflow::reportLineText(line));
    result.heading = workflow::saveReportHeading(report.name, report.from, report.to, workflow::Style::Window);
    return result;
}

}  // namespace vok::web
