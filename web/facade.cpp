#include "web/facade.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "conversion/ascii_losses.h"
#include "lists/codepage.h"
#include "lists/list_text.h"
#include "mission/core/version_detect.h"

namespace vok::web {

namespace fs = std::filesystem;

namespace {

std::string_view categoryName(std::int32_t typeId) {
    static constexpr std::string_view kNames[] = {"Other",   "Decorations", "Vehicles", "Buildings",
                                                  "Objects", "People",      "Markers",  "Effects"};
    const std::int32_t block = typeId / 1000;
    return typeId >= 0 && block <= 7 ? kNames[block] : kNames[0];
}

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

std::string reportLineText(const ReportLine& line) {
    return std::string(reportKindLabel(line.kind)) + ": " + cp1252ToUtf8(line.text);
}

std::string loadFailure(const Error& error) {
    return "Warning!, There Was an Error In 'InitilizeItemLists'\r\n" + fs::path(error.path()).filename().string() +
           ": " + error.describe();
}

}  // namespace

std::string openFailureMessage(const Error& error, MissionForm form, DfType version) {
    const bool readerFault = form == MissionForm::Ascii && isVersion(version) && error.fault() != Fault::CannotOpen &&
                             error.fault() != Fault::NoMission;
    return readerFault ? asciiReaderMessage(asciiReaderName(version), error) : fileErrorMessage(error);
}

std::string missingTypesMessage(const std::string& fileName, DfType to, const std::vector<MissingType>& missing) {
    std::ostringstream text;
    text << fileName << ": " << missing.size() << " item " << (missing.size() == 1 ? "type is" : "types are")
         << " missing in " << versionName(to) << " and no replacement list entry covers "
         << (missing.size() == 1 ? "it" : "them") << ":\n";
    for (const auto& type : missing) {
        text << "  " << type.id << "  "
             << (type.description.empty() ? "(no description)" : cp1252ToUtf8(type.description)) << "  (" << type.count
             << (type.count == 1 ? " item" : " items") << ")\n";
    }
    text << "add replacements in the lists, or choose skip or remove";
    return text.str();
}

ReplacementAnswer TableChooser::choose(std::int16_t objectId, DfType sourceVersion, DfType targetVersion) {
    const auto found = answers_.find({sourceVersion, targetVersion, objectId});
    return found == answers_.end() ? ReplacementAnswer::skip() : found->second;
}

Facade::Facade(fs::path workFolder, fs::path starterTexts)
    : work_(std::move(workFolder)),
      starterTexts_(std::move(starterTexts)),
      lists_(work_ / "lists"),
      session_(lists_, [this](int which) { return starterBytes(which); }) {
    for (const char* folder : {"lists", "in", "out", "text"}) fs::create_directories(work_ / folder);
    // Missions are read under the name they had on the user's disk, which the messages then carry.
    fs::current_path(work_ / "in");
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
        throw Message(fileErrorMessage(error));
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
        throw Message("The Description Can't Hold \"" + bad +
                      "\"!\r\nThe list files keep descriptions in the Windows-1252 code page; "
                      "please type it with other characters.");
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
            std::int16_t first = 0;
            for (const ReplaceEntry& saved : lists_.SavedReplacements(version)) {
                if (saved.NewDfType == entry.NewDfType && saved.ObjectId == entry.ObjectId) {
                    first = saved.ReplacementId;
                    break;
                }
            }
            const std::string description = cp1252ToUtf8(lists_.ItemDescription(target, first));
            char padded[16];
            std::snprintf(padded, sizeof padded, "%04d", static_cast<int>(entry.ObjectId));
            throw Message("Item " + std::string(padded) + " Already Has A Replacement In " + targetLabel + ": " +
                          std::to_string(first) + (description.empty() ? "" : " " + description) +
                          "!\r\nThe Converter Uses The First One, So A Second Would Never Be Used.");
        }
        case workflow::EntryProblem::ReplacementNotListed:
            throw Message("Invalid Replacement ID: " + std::to_string(entry.ReplacementId) + " (not in list) In " +
                          targetLabel + "!\r\nA Replacement Must Be 1 To 9999 And In The Item List Of Its Version.");
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
        throw Message("Can't Delete the Only Entry of '" + std::string(listFileName(which)) +
                      "'!\r\nA list file must hold at least one entry, so nothing was changed.");
    }
}

MissionForm Facade::formOf(const std::string& fileName) {
    const auto form = formOfPath(fs::path(baseName(fileName)));
    if (!form) {
        throw Message(
            "Only One Mission File Can Be Dropped Here: "
            "A Binary (*.BMS) Or An Ascii (*.MIS) File.");
    }
    return *form;
}

fs::path Facade::put(const std::string& bytes, const std::string& fileName) {
    const fs::path path = work_ / "in" / baseName(fileName);
    writeBytes(path, bytes);
    return path;
}

DfType Facade::detect(const std::string& bytes, const std::string& fileName) {
    const MissionForm form = formOf(fileName);
    return form == MissionForm::Binary ? BmsVersionOfBytes(bytes) : MisVersionOfText(bytes, lists_);
}

AnyMission Facade::read(const std::string& bytes, const std::string& fileName, DfType version, MissionForm form,
                        std::vector<PassedOver>* passedOver) {
    const fs::path path = put(bytes, fileName);
    try {
        AnyMission mission = openMission(path.filename(), version, form, passedOver);
        fs::remove(path);
        return mission;
    } catch (const Error& error) {
        fs::remove(path);
        throw Message(openFailureMessage(error, form, version));
    }
}

MissionInfo Facade::inspect(const std::string& bytes, const std::string& fileName, std::optional<DfType> version) {
    MissionInfo info;
    info.form = formOf(fileName);
    info.version = version.value_or(detect(bytes, fileName));
    if (!isVersion(info.version)) {
        if (info.form == MissionForm::Ascii) {
            // A file that holds no mission is told before its version is asked for.
            const fs::path path = put(bytes, fileName);
            try {
                requireAsciiMission(path.filename());
            } catch (const Error& error) {
                fs::remove(path);
                throw Message(fileErrorMessage(error));
            }
            fs::remove(path);
        }
        info.version = DfType::NotRecognised;
        return info;
    }
    std::vector<PassedOver> passedOver;
    const AnyMission mission = read(bytes, fileName, info.version, info.form, &passedOver);
    for (const PassedOver& line : passedOver) {
        info.passedOver.push_back("line " + std::to_string(line.line) + ": " + cp1252ToUtf8(line.what));
    }
    std::visit(
        [&info](const auto& m) {
            info.name = cp1252ToUtf8(m.header.name.text());
            info.designer = cp1252ToUtf8(m.header.designer.text());
            info.terrain = cp1252ToUtf8(m.header.terrain.text());
            info.items = m.items.size();
            for (const auto& item : m.items) ++info.categories[std::string(categoryName(item.type_id))];
            info.events = m.events.size();
        },
        mission);
    for (const ReportLine& line : asciiSaveLosses(mission)) info.asciiLosses.push_back(cp1252ToUtf8(line.text));
    return info;
}

std::vector<MissingType> Facade::missingTypes(const std::string& bytes, const std::string& fileName, DfType from,
                                              DfType to) {
    if (from == to) return {};
    return findMissingTypes(read(bytes, fileName, from, formOf(fileName)), to, lists_);
}

Converted Facade::convert(const std::string& bytes, const std::string& fileName, const ConvertRequest& request,
                          ReplacementChooser& chooser) {
    const MissionForm inForm = formOf(fileName);
    const DfType from = request.from.value_or(detect(bytes, fileName));
    if (!isVersion(from)) throw Message(baseName(fileName) + ": " + kVersionNotRecognised);
    AnyMission mission = read(bytes, fileName, from, inForm);
    const DfType to = request.to.value_or(from);
    const MissionForm outForm = request.form.value_or(inForm);

    Converted result;
    result.name = savedName(fileName, outForm);
    ConversionReport report;
    if (to != from) {
        try {
            mission = convertMission(mission, to, lists_, chooser, &report);
        } catch (const SaveCancelled&) {
            chooser.conversionFinished();
            result.cancelled = true;
            result.heading = result.name + ": The Save Was Cancelled; Nothing Was Written";
            return result;
        }
        chooser.conversionFinished();
        setTerrain(mission, suggestedTerrain(mission, from));
    }
    const fs::path out = work_ / "out" / result.name;
    try {
        saveMission(out, mission, outForm, request.epoch ? utcFromEpochSeconds(*request.epoch) : localNow());
    } catch (const Error& error) {
        fs::remove(out);
        throw Message(fileErrorMessage(error));
    }
    result.bytes = readBytes(out);
    fs::remove(out);

    for (const ReportLine& line : report.lines) result.report.push_back(reportLineText(line));
    if (outForm == MissionForm::Ascii) {
        for (const ReportLine& line : asciiSaveLosses(mission, result.bytes)) {
            result.report.push_back(reportLineText(line));
        }
    }
    result.heading = to != from ? result.name + ": Converted From " + std::string(versionLabel(from)) + " To " +
                                      std::string(versionLabel(to))
                                : result.name + ": Saved As " + std::string(versionLabel(to)) +
                                      (outForm == MissionForm::Ascii ? " Ascii File" : " Binary File");
    return result;
}

}  // namespace vok::web
