#pragma once
// The lines of the editor's list box (modGeneral): how item and replacement entries are written
// as text, the hidden position tag every line carries, and the categories of the category
// chooser. Pure functions, so the window and its tests share them.

#include <QString>
#include <array>
#include <cstdint>
#include <string_view>

#include "lists/list_files.h"
#include "mission/core/version.h"

namespace vok {
class ListStore;
}

namespace vok::editor {

/// 1 = description first ("Humvee = 2005"), 2 = identifier first ("2005 = Humvee").
inline constexpr std::int16_t kDescriptionFirst = 1;
inline constexpr std::int16_t kIdentifierFirst = 2;

/// A category of the category chooser: the identifiers it shows, both ends included.
struct Category {
    std::string_view text;
    std::int16_t minId;
    std::int16_t maxId;
};

inline constexpr std::array<Category, 8> kCategories{{
    {"All", 0, 10000},
    {"Decorations", 0, 1999},
    {"Vehicles", 2000, 2999},
    {"Buildings", 3000, 3999},
    {"Objects", 4000, 4999},
    {"People", 5000, 5999},
    {"Markers", 6000, 6999},
    {"Effects", 7000, 10000},
}};

/// An identifier with at least four digits, zero-padded: 40 -> "0040", 10000 -> "10000".
QString paddedId(int id);

/// A description of the list files (Windows-1252 bytes) as text for the window.
QString descriptionText(std::string_view cp1252);

/// The tag that a line carries at its end, so that it names its entry even among lines of equal
/// text: seven tabs, the character 21, then the
/// entry's position (from 1) with each digit d written as the character 22 + d.
QString EncodeIndexTag(int position);

/// The position carried by a line's tag: the digits (characters 22..31) after the first
/// character 21; 0 when the line carries none.
int DecodeIndexTag(const QString& line);

/// The part of a line that is meant to be seen: the line without its tag.
QString visibleText(const QString& line);

/// "Humvee = 2005" (mode 1) or "2005 = Humvee" (mode 2).
QString itemLine(std::int16_t displayMode, const QString& description, int id);

/// The line of entry `position` (from 1) of the replacement list of `source`, as a sentence with
/// the tag at its end: "2005 Humvee (DF2) -> 2050 Tank (DF:LW)" in mode 2, "Humvee 2005 (DF2) ->
/// Tank 2050 (DF:LW)" in mode 1. Descriptions come from the item lists of the two versions;
/// "(not in list)" stands for one that is missing.
QString replacementLine(std::int16_t displayMode, DfType source, const ReplaceEntry& entry, int position,
                        const ListStore& store);

/// The number written at the start of a text box ("2005", " 12", "7a" -> 7); 0 when none.
double leadingNumber(const QString& text);

/// Compares texts as people order them: runs of digits by their value ("Rifleman 2" before
/// "Rifleman 19"), letters without regard to case. Negative, 0 or positive.
int naturalCompare(const QString& a, const QString& b);

/// Orders lines as the list box shows them: by their visible text in natural order
/// (naturalCompare); lines that differ only in case follow letter-case order, and lines of equal
/// text keep their order.
bool lineLess(const QString& a, const QString& b);

}  // namespace vok::editor
