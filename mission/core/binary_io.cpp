#include "mission/core/binary_io.h"

namespace vok {

void BinaryIn::tooShort(std::string_view what) const {
    fail(Fault::TooShort, "the file ends where " + std::string(what) + " was expected");
}

std::string BinaryIn::countedText() {
    std::int16_t length = 0;
    get(length);
    const auto count = static_cast<std::uint16_t>(length);
    need(count, "a description");
    std::string text(bytes_.substr(pos_, count));
    pos_ += count;
    return text;
}

void BinaryOut::countedText(std::string_view text) {
    put(static_cast<std::int16_t>(text.size()));
    out_.append(text);
}

}  // namespace vok
