#pragma once
// What must hold for any input, checked by the fuzz targets on every input they try and by the
// fuzz_regressions_<name> tests that replay fuzz/regressions/.
//
// A property returns normally when it holds, including when the input is rejected with a
// vok::Error (the right answer to bad input). It throws PropertyViolation when it does not hold;
// any other exception escaping it (std::bad_alloc, std::length_error ...) is a fault too.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vok::fuzz {

class PropertyViolation : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

using Property = void (*)(std::string_view input);

struct NamedProperty {
    std::string_view name;  ///< also the fuzz target's name without "fuzz_", and its folders' name
    Property check;
};

/// Every property, in a fixed order:
///   df1_bms, df2_bms, df3_bms   a binary mission that reads writes back to the same bytes, up to
///                               the end of its last section; its ascii form, when the writer
///                               accepts the model, reads or is refused with an Error
///   df1_mis, df2_mis, df3_mis   an ascii mission that reads writes, reads again and gives the same
///                               model (and the same text); a refused one names its line
///   lists                       an item or replacement list that loads saves to the same counted
///                               bytes, and saving it over its own file changes nothing
///   bms_version                 the binary version test looks at byte 3 and bytes 224..255 only
///   mis_version                 the ascii version test agrees with a plain re-count, stops at its
///                               decision, and does not care how lines end
///   words                       the line cursor and the word splitter keep every character where
///                               the rules say
///   numbers                     numbers written in the ascii form read back to the same stored
///                               value; the number parser agrees with strtod
const std::vector<NamedProperty>& allProperties();

/// The property of that name; null when there is none.
Property propertyNamed(std::string_view name);

}  // namespace vok::fuzz
