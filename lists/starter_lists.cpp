#include "lists/starter_lists.h"

#include <string_view>

#include "lists/list_files.h"
#include "lists/list_text.h"

namespace vok {

extern const std::string_view kStarterListTexts[6];

std::string starterListBytes(int which) {
    if (which < 1 || which > kListCount) return {};
    const std::string_view text = kStarterListTexts[which - 1];
    const std::string name = textFileName(which);
    return isItemList(which) ? encodeItemList(itemListFromText(text, name))
                             : encodeReplaceList(replaceListFromText(text, name));
}

}  // namespace vok
