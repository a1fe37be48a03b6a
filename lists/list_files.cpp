#include "lists/list_files.h"

#include <cerrno>

#include "mission/core/binary_io.h"
#include "mission/core/error.h"

namespace vok {

const ReplaceEntry* firstReplacementFor(const std::vector<ReplaceEntry>& entries, std::int16_t newDfType,
                                        std::int16_t objectId) {
    for (const auto& entry : entries) {
        if (entry.NewDfType == newDfType && entry.ObjectId == objectId) return &entry;
    }
    return nullptr;
}

namespace {
std::int32_t readCount(BinaryIn& in, std::size_t minimumEntryBytes) {
    std::int32_t count = 0;
    in.get(count);
    if (count <= 0) in.fail(Fault::BadList, "its entry count is " + std::to_string(count));
    if (static_cast<std::uint64_t>(count) * minimumEntryBytes > in.remaining()) {
        in.fail(Fault::BadList, "it ends before its " + std::to_string(count) + " counted entries");
    }
    return count;
}

template <class F>
auto rethrowAsBadList(F&& body, std::string_view path) {
    try {
        return body();
    } catch (const Error& error) {
        if (error.fault() == Fault::TooShort) {
            throw Error(Fault::BadList, std::string(path), "it ends before its counted entries", 0, error.offset());
        }
        throw;
    }
}
}  // namespace

std::vector<ItemListEntry> parseItemList(std::string_view bytes, std::string_view path) {
    return rethrowAsBadList(
        [&] {
            BinaryIn in(bytes, path);
            const std::int32_t count = readCount(in, 4);
            std::vector<ItemListEntry> entries(static_cast<std::size_t>(count));
            for (auto& entry : entries) {
                in.get(entry.ItemId);
                if (entry.ItemId <= 0)
                    in.fail(Fault::BadList, "an entry has the identifier " + std::to_string(entry.ItemId));
                entry.Description = in.countedText();
                // A longer one could not be saved as it was read.
                if (entry.Description.size() > kMaxDescriptionBytes) {
                    in.fail(Fault::BadList, "a description of " + std::to_string(entry.Description.size()) +
                                                " bytes is longer than " + std::to_string(kMaxDescriptionBytes));
                }
            }
            return entries;
        },
        path);
}

std::vector<ReplaceEntry> parseReplaceList(std::string_view bytes, std::string_view path) {
    return rethrowAsBadList(
        [&] {
            BinaryIn in(bytes, path);
            const std::int32_t count = readCount(in, 6);
            std::vector<ReplaceEntry> entries(static_cast<std::size_t>(count));
            for (auto& entry : entries) {
                in.get(entry.NewDfType);
                in.get(entry.ObjectId);
                in.get(entry.ReplacementId);
            }
            return entries;
        },
        path);
}

std::string encodeItemList(const std::vector<ItemListEntry>& entries) {
    std::string bytes;
    BinaryOut out(bytes);
    out.put(static_cast<std::int32_t>(entries.size()));
    for (const auto& entry : entries) {
        out.put(entry.ItemId);
        out.countedText(std::string_view(entry.Description).substr(0, kMaxDescriptionBytes));
    }
    return bytes;
}

std::string encodeReplaceList(const std::vector<ReplaceEntry>& entries) {
    std::string bytes;
    BinaryOut out(bytes);
    out.put(static_cast<std::int32_t>(entries.size()));
    for (const auto& entry : entries) {
        out.put(entry.NewDfType);
        out.put(entry.ObjectId);
        out.put(entry.ReplacementId);
    }
    return bytes;
}

std::string overlayListBytes(std::string_view old, std::string_view content) {
    std::string bytes(content);
    if (old.size() > content.size()) bytes.append(old.substr(content.size()));
    return bytes;
}

std::string placeholderDescription(int itemId) {
    static constexpr std::string_view kKinds[] = {"Item",   "Decoration", "Vehicle", "Building",
                                                  "Object", "Person",     "Marker",  "Effect"};
    const int block = itemId / 1000;
    const std::string_view kind = block >= 0 && block <= 7 ? kKinds[block] : kKinds[0];
    return std::string(kind) + " " + std::to_string(itemId);
}

}  // namespace vok
