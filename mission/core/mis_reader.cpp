#include "mission/core/mis_reader.h"

namespace vok {

bool MisLineSource::next() {
    std::string_view line;
    if (!cursor_.next(line)) return false;
    line_ = line;
    context_.line = cursor_.lineNumber();
    if (line.size() > kMaxMisLineLength) {
        fault(Fault::LineTooLong, std::to_string(line.size()) + " characters");
    }
    words_.split(line);
    return true;
}

}  // namespace vok
