#include "lists/list_text.h"

#include <charconv>
#include <cstdio>
#include <map>

#include "lists/codepage.h"
#include "lists/list_lock.h"
#include "mission/core/error.h"
#include "mission/core/text.h"

namespace vok {

std::string textFileName(int which) {
    std::string name(listFileName(which));
    return name.substr(0, name.size() - 4) + ".txt";
}

namespace {

std::string escape(std::string_view utf8) {
    std::string out;
    for (char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (byte < 0x20 || byte == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

[[noreturn]] void badLine(std::string_view path, std::int64_t line, std::string detail) {
    throw Error(Fault::BadList, std::string(path), std::move(detail), line);
}

std::string unescape(std::string_view text, std::string_view path, std::int64_t line) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out.push_back(text[i]);
            continue;
        }
        if (++i >= text.size()) badLine(path, line, "a lone backslash at the end of the line");
        switch (text[i]) {
            case '\\': out.push_back('\\'); break;
            case 't': out.push_back('\t'); break;
            case 'r': out.push_back('\r'); break;
            case 'n': out.push_back('\n'); break;
            case 'x': {
                unsigned value = 0;
                const auto* first = text.data() + i + 1;
                const auto result =
                    std::from_chars(first, first + std::min<std::size_t>(2, text.size() - i - 1), value, 16);
                if (result.ptr != first + 2) badLine(path, line, "\\x needs two hexadecimal digits");
                out.push_back(static_cast<char>(value));
                i += 2;
                break;
            }
            default: badLine(path, line, std::string("unknown escape \\") + text[i]);
        }
    }
    return out;
}

template <class T>
T number(std::string_view field, std::string_view path, std::int64_t line, const char* what) {
    T value{};
    const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
    if (result.ec != std::errc() || result.ptr != field.data() + field.size()) {
        badLine(path, line, std::string(what) + " \"" + std::string(field) + "\" is not a 16-bit number");
    }
    return value;
}

std::vector<std::string_view> splitTabs(std::string_view line, std::size_t maxFields) {
    std::vector<std::string_view> fields;
    while (fields.size() + 1 < maxFields) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) break;
        fields.push_back(line.substr(0, tab));
        line.remove_prefix(tab + 1);
    }
    fields.push_back(line);
    return fields;
}

// A text saved by Notepad as UTF-8 starts with a byte-order mark: it is dropped.
template <class OnLine>
void forEachEntryLine(std::string_view text, OnLine&& onLine) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    LineCursor lines(text);
    std::string_view line;
    while (lines.next(line)) {
        if (line.empty() || line.front() == '#') continue;
        onLine(line, lines.lineNumber());
    }
}

std::string header(int which, std::string_view columns) {
    return "# " + std::string(listFileName(which)) + ": " + std::string(columns) + "\n";
}

std::string hexBytes(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%s%02X", out.empty() ? "" : " ", static_cast<unsigned char>(c));
        out += hex;
    }
    return out;
}

}  // namespace

std::string itemListToText(const std::vector<ItemListEntry>& entries, int which) {
    std::string out = header(which, "identifier, a tab, the description (UTF-8)");
    for (const auto& entry : entries) {
        out += std::to_string(entry.ItemId);
        out.push_back('\t');
        out += escape(cp1252ToUtf8(entry.Description));
        out.push_back('\n');
    }
    return out;
}

std::string replaceListToText(const std::vector<ReplaceEntry>& entries, int which) {
    std::string out = header(which, "identifier, a tab, the target version, a tab, the replacement identifier");
    for (const auto& entry : entries) {
        out += std::to_string(entry.ObjectId) + "\t" + std::to_string(entry.NewDfType) + "\t" +
               std::to_string(entry.ReplacementId) + "\n";
    }
    return out;
}

std::vector<ItemListEntry> itemListFromText(std::string_view text, std::string_view path) {
    std::vector<ItemListEntry> entries;
    std::map<std::int16_t, std::int64_t> lineOf;  // where each identifier stands
    forEachEntryLine(text, [&](std::string_view line, std::int64_t number) {
        const auto fields = splitTabs(line, 2);
        if (fields.size() != 2) badLine(path, number, "expected an identifier, a tab and a description");
        ItemListEntry entry;
        entry.ItemId = vok::number<std::int16_t>(fields[0], path, number, "the identifier");
        if (entry.ItemId <= 0) badLine(path, number, "identifiers start at 1");
        if (const auto [first, added] = lineOf.emplace(entry.ItemId, number); !added) {
            badLine(path, number,
                    "the identifier " + std::to_string(entry.ItemId) + " stands on line " +
                        std::to_string(first->second) + " and again on line " + std::to_string(number) +
                        " (each identifier may stand once)");
        }
        std::string bad;
        auto bytes = utf8ToCp1252(unescape(fields[1], path, number), &bad);
        if (!bytes) {
            badLine(path, number,
                    decodeUtf8(bad).valid ? "\"" + bad + "\" has no Windows-1252 character"
                                          : "malformed UTF-8 (bytes " + hexBytes(bad) + ")");
        }
        if (bytes->size() > kMaxDescriptionBytes) badLine(path, number, "the description is too long");
        entry.Description = std::move(*bytes);
        entries.push_back(std::move(entry));
    });
    return entries;
}

std::vector<ReplaceEntry> replaceListFromText(std::string_view text, std::string_view path) {
    std::vector<ReplaceEntry> entries;
    forEachEntryLine(text, [&](std::string_view line, std::int64_t number) {
        const auto fields = splitTabs(line, 3);
        if (fields.size() != 3) badLine(path, number, "expected three numbers separated by tabs");
        entries.push_back({vok::number<std::int16_t>(fields[1], path, number, "the target version"),
                           vok::number<std::int16_t>(fields[0], path, number, "the identifier"),
                           vok::number<std::int16_t>(fields[2], path, number, "the replacement")});
    });
    return entries;
}

std::vector<std::filesystem::path> importListTexts(const std::filesystem::path& textFolder,
                                                   const std::filesystem::path& listsFolder, FileSystem& fileSystem) {
    // Every file is read and checked before any list is touched.
    std::vector<FileWrite> writes;
    for (int which = 1; which <= kListCount; ++which) {
        const auto path = textFolder / textFileName(which);
        const std::string text = readFile(path);
        std::string content;
        if (isItemList(which)) {
            const auto entries = itemListFromText(text, displayPath(path));
            if (!entries.empty()) content = encodeItemList(entries);
        } else {
            const auto entries = replaceListFromText(text, displayPath(path));
            if (!entries.empty()) content = encodeReplaceList(entries);
        }
        if (content.empty()) {
            throw Error(Fault::BadList, displayPath(path),
                        "a list needs at least one entry (the programs reject an empty list)");
        }
        writes.push_back({listsFolder / std::string(listFileName(which)), std::move(content)});
    }
    std::error_code ec;
    std::filesystem::create_directories(listsFolder, ec);
    const ListFolderLock lock(listsFolder);  // the programs may be working on these lists
    std::vector<std::filesystem::path> written;
    for (auto& write : writes) {
        if (std::filesystem::exists(write.target, ec))
            write.bytes = overlayListBytes(readFile(write.target), write.bytes);
        written.push_back(write.target);
    }
    writeFilesAtomically(writes, fileSystem);
    return written;
}

}  // namespace vok
