#pragma once
// The list files as plain UTF-8 text, one entry a line in file order, for editing and version
// control. Lines starting with '#' and empty lines are comments.
//
//   item list:         identifier TAB description
//   replacement list:  identifier TAB target version TAB replacement identifier
//
// In descriptions a backslash is written \\, a tab \t, a carriage return \r, a line feed \n and
// any other control character \xHH, so that every description survives the round trip.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "lists/list_files.h"
#include "lists/list_store.h"

namespace vok {

/// "DF1Items.txt" .. "DF3Replace.txt" for 1..6.
std::string textFileName(int which);

std::string itemListToText(const std::vector<ItemListEntry>& entries, int which);
std::string replaceListToText(const std::vector<ReplaceEntry>& entries, int which);

/// Throws Error(BadList) naming the file and line of a line that cannot be read: malformed UTF-8, a
/// character outside Windows-1252, or an identifier that stood on an earlier line already.
std::vector<ItemListEntry> itemListFromText(std::string_view text, std::string_view path);
std::vector<ReplaceEntry> replaceListFromText(std::string_view text, std::string_view path);

/// Reads and checks the six text files of `textFolder`, then replaces the six list files of
/// `listsFolder` together, under the folder's lock: all six or none (writeFilesAtomically; a list
/// written over a longer file keeps its tail, as every list save does). A replacement entry must
/// name a game version (1..3) and item types from 1 (the placeholder "0 0 0" excepted), an item
/// entry a description. The renames are recorded in the lists' journal (list_journal.h), so that a
/// kill between them is finished or undone by the next program. Throws Error naming the file (and
/// line) at fault; the list files are then as they were. Answers the files written.
std::vector<std::filesystem::path> importListTexts(const std::filesystem::path& textFolder,
                                                   const std::filesystem::path& listsFolder,
                                                   FileSystem& fileSystem = realFileSystem());

/// Writes the six lists as text files (textFileName) into `textFolder`, made when missing: all six
/// or none (writeFilesAtomically); on failure no file there is changed and Error names the file.
void exportListTexts(const ListStore& lists, const std::filesystem::path& textFolder,
                     FileSystem& fileSystem = realFileSystem());

}  // namespace vok
