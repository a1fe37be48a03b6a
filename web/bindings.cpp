// The page's entry points: the session of web/facade.h handed to JavaScript through embind. Bytes
// arrive as Uint8Array and leave as fresh Uint8Array copies; every call answers an object, which
// holds `error` (the message to show) when the call failed.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <memory>

#include "lists/codepage.h"
#include "lists/list_text.h"
#include "mission/core/item_counts.h"
#include "web/facade.h"
#include "workflow/choosers.h"
#include "workflow/messages.h"

namespace vok::web {

namespace {

using emscripten::val;

Facade& facade() {
    // The starter lists are packed into the module under /starter (web/CMakeLists.txt).
    static Facade instance("/vok", "/starter");
    return instance;
}

val bytesOf(const std::string& bytes) {
    return val::global("Uint8Array")
        .new_(emscripten::typed_memory_view(bytes.size(), reinterpret_cast<const unsigned char*>(bytes.data())));
}

val strings(const std::vector<std::string>& texts) {
    val array = val::array();
    for (const auto& text : texts) array.call<void>("push", text);
    return array;
}

std::optional<DfType> versionArg(const val& value) {
    if (value.isUndefined() || value.isNull()) return std::nullopt;
    const auto version = parseVersionKey(value.as<std::string>());
    if (!version) throw Message("Unknown game version \"" + value.as<std::string>() + "\": df1, df2 or df3");
    return version;
}

std::string versionText(DfType version) { return isVersion(version) ? std::string(versionKey(version)) : "unknown"; }

template <class Body>
val guarded(Body&& body) {
    try {
        return body();
    } catch (const Message& message) {
        val result = val::object();
        result.set("error", std::string(message.what()));
        return result;
    } catch (const Error& error) {
        val result = val::object();
        result.set("error", workflow::fileFailureText(error, workflow::Style::Window));
        return result;
    } catch (const std::exception& error) {
        val result = val::object();
        result.set("error", std::string(error.what()));
        return result;
    }
}

val detect(const std::string& bytes, const std::string& fileName) {
    return guarded([&] {
        val result = val::object();
        result.set("version", versionText(facade().detect(bytes, fileName)));
        return result;
    });
}

val inspect(const std::string& bytes, const std::string& fileName, const val& version) {
    return guarded([&] {
        const MissionInfo info = facade().inspect(bytes, fileName, versionArg(version));
        val result = val::object();
        result.set("version", versionText(info.version));
        if (!isVersion(info.version)) result.set("question", info.question);
        result.set("form", std::string(info.form == MissionForm::Binary ? "bms" : "mis"));
        result.set("name", info.name);
        result.set("designer", info.designer);
        result.set("terrain", info.terrain);
        result.set("items", info.items);
        result.set("events", info.events);
        val categories = val::object();
        for (const auto& [category, count] : info.categories) categories.set(category, count);
        result.set("categories", categories);
        result.set("passedOver", strings(info.passedOver));
        result.set("asciiLosses", strings(info.asciiLosses));
        return result;
    });
}

val missingTypes(const std::string& bytes, const std::string& fileName, const val& from, const val& to) {
    return guarded([&] {
        val types = val::array();
        for (const MissingType& type : facade().missingTypes(bytes, fileName, *versionArg(from), *versionArg(to))) {
            val entry = val::object();
            entry.set("id", type.id);
            entry.set("description", cp1252ToUtf8(type.description));
            entry.set("category", std::string(itemCategoryName(type.id)));
            entry.set("count", type.count);
            types.call<void>("push", entry);
        }
        val result = val::object();
        result.set("types", types);
        return result;
    });
}

ReplacementAnswer answerOf(const val& answer) {
    const std::string kind = answer["kind"].as<std::string>();
    const auto id =
        static_cast<std::int16_t>(answer["replacement"].isUndefined() ? 0 : answer["replacement"].as<int>());
    if (kind == "ok") return ReplacementAnswer::replace(id, ReplacementAnswer::Remember::No);
    if (kind == "ok-a") return ReplacementAnswer::replace(id, ReplacementAnswer::Remember::ForRun);
    if (kind == "ok-s") return ReplacementAnswer::replace(id, ReplacementAnswer::Remember::AndSave);
    if (kind == "remove") return ReplacementAnswer::remove();
    if (kind == "cancel") return ReplacementAnswer::cancelSave();
    return ReplacementAnswer::skip();
}

// options: {from, to, form: "bms"|"mis", epoch, replace: "skip"|"remove"|"fail"|"ask", answers: [{from, to, id,
// kind, replacement}]}; "ask" uses the answers of the replacement dialog.
val convert(const std::string& bytes, const std::string& fileName, const val& options) {
    return guarded([&] {
        Facade& session = facade();
        ConvertRequest request;
        request.from = versionArg(options["from"]);
        request.to = versionArg(options["to"]);
        if (!options["form"].isUndefined() && !options["form"].isNull()) {
            const std::string form = options["form"].as<std::string>();
            if (form != "bms" && form != "mis") throw Message("Unknown form \"" + form + "\": bms or mis");
            request.form = form == "bms" ? MissionForm::Binary : MissionForm::Ascii;
        }
        if (!options["epoch"].isUndefined() && !options["epoch"].isNull()) {
            request.epoch = static_cast<std::int64_t>(options["epoch"].as<double>());
        }
        const std::string replace = options["replace"].isUndefined() ? "fail" : options["replace"].as<std::string>();
        if (replace != "skip" && replace != "remove" && replace != "fail" && replace != "ask") {
            throw Message("Unknown replace policy \"" + replace + "\": skip, remove or fail");
        }

        NoticeChooser notices;
        workflow::PresetChooser preset(&notices);
        if (replace == "ask") {
            const val answers = options["answers"];
            const auto count = answers.isUndefined() ? 0u : answers["length"].as<unsigned>();
            for (unsigned i = 0; i < count; ++i) {
                const val answer = answers[i];
                preset.preset(static_cast<std::int16_t>(answer["id"].as<int>()), *versionArg(answer["from"]),
                              *versionArg(answer["to"]), answerOf(answer));
            }
        } else if (replace == "fail" && request.to) {
            const DfType from = request.from.value_or(session.detect(bytes, fileName));
            if (isVersion(from) && from != *request.to) {
                const auto missing = session.missingTypes(bytes, fileName, from, *request.to);
                if (!missing.empty()) throw Message(Facade::missingTypesText(fileName, *request.to, missing));
            }
        }
        workflow::FixedChooser policy(replace == "remove" ? ReplacementAnswer::remove() : ReplacementAnswer::skip());
        ReplacementChooser& chooser = replace == "ask" ? static_cast<ReplacementChooser&>(preset) : policy;
        const Converted converted = session.convert(bytes, fileName, request, chooser);
        const std::vector<std::string>& notSaved = notices.notSaved;
        val result = val::object();
        result.set("bytes", bytesOf(converted.bytes));
        result.set("name", converted.name);
        result.set("heading", converted.heading);
        result.set("report", strings(converted.report));
        result.set("cancelled", converted.cancelled);
        result.set("notSaved", strings(notSaved));
        return result;
    });
}

val listFiles() {
    return guarded([] {
        val files = val::array();
        for (int which = 1; which <= kListCount; ++which) {
            val file = val::object();
            file.set("name", std::string(listFileName(which)));
            file.set("bytes", bytesOf(facade().listFile(which)));
            file.set("textName", textFileName(which));
            file.set("text", facade().listText(which));
            files.call<void>("push", file);
        }
        val result = val::object();
        result.set("files", files);
        return result;
    });
}

// `files`: six Uint8Array (the .vok files) or six strings (the text form), in the order of the lists.
val setLists(const val& files, bool text) {
    return guarded([&] {
        std::array<std::string, kListCount> contents;
        for (std::size_t i = 0; i < contents.size(); ++i) contents[i] = files[i].as<std::string>();
        if (text) {
            facade().setListTexts(contents);
        } else {
            facade().setListFiles(contents);
        }
        return val::object();
    });
}

val useStarterLists() {
    return guarded([] {
        facade().useStarterLists();
        return val::object();
    });
}

val entries(int which) {
    return guarded([which] {
        if (which < 1 || which > kListCount) throw Message("no such list");
        const DfType version = versionOfList(which);
        ListStore& lists = facade().lists();
        val rows = val::array();
        if (isItemList(which)) {
            for (const auto& entry : lists.Entries(version)) {
                val row = val::object();
                row.set("id", entry.ItemId);
                row.set("description", cp1252ToUtf8(entry.Description));
                row.set("category", std::string(itemCategoryName(entry.ItemId)));
                rows.call<void>("push", row);
            }
        } else {
            for (const auto& entry : lists.SavedReplacements(version)) {
                val row = val::object();
                const DfType target = dfTypeOf(entry.NewDfType);
                row.set("id", entry.ObjectId);
                row.set("description", cp1252ToUtf8(lists.ItemDescription(version, entry.ObjectId)));
                row.set("to", versionText(target));
                row.set("replacement", entry.ReplacementId);
                row.set("replacementDescription",
                        isVersion(target) ? cp1252ToUtf8(lists.ItemDescription(target, entry.ReplacementId)) : "");
                rows.call<void>("push", row);
            }
        }
        val result = val::object();
        result.set("entries", rows);
        return result;
    });
}

std::optional<std::size_t> indexArg(int index) {
    return index < 0 ? std::nullopt : std::optional<std::size_t>(static_cast<std::size_t>(index));
}

val putItem(int which, int index, double id, const std::string& description) {
    return guarded([&] {
        facade().putItem(which, indexArg(index), id, description);
        return val::object();
    });
}

val putReplacement(int which, int index, const std::string& to, int id, int replacement) {
    return guarded([&] {
        const auto target = parseVersionKey(to);
        const ReplaceEntry entry{static_cast<std::int16_t>(target ? versionNumber(*target) : 0),
                                 static_cast<std::int16_t>(id), static_cast<std::int16_t>(replacement)};
        facade().putReplacement(which, indexArg(index), entry);
        return val::object();
    });
}

val deleteEntry(int which, int index) {
    return guarded([&] {
        if (index < 0) throw Message("no entry chosen");
        facade().deleteEntry(which, static_cast<std::size_t>(index));
        return val::object();
    });
}

}  // namespace

EMSCRIPTEN_BINDINGS(vok_web) {
    emscripten::function("detect", &detect);
    emscripten::function("inspect", &inspect);
    emscripten::function("missingTypes", &missingTypes);
    emscripten::function("convert", &convert);
    emscripten::function("listFiles", &listFiles);
    emscripten::function("setLists", &setLists);
    emscripten::function("useStarterLists", &useStarterLists);
    emscripten::function("entries", &entries);
    emscripten::function("putItem", &putItem);
    emscripten::function("putReplacement", &putReplacement);
    emscripten::function("deleteEntry", &deleteEntry);
}

}  // namespace vok::web
