#include "mission/core/error.h"

#include <cstring>
#include <system_error>

namespace vok {

std::string_view describeFault(Fault fault) {
    switch (fault) {
        case Fault::CannotOpen: return "The file cannot be opened";
        case Fault::CannotWrite: return "The file cannot be written";
        case Fault::TooShort: return "The file is too short for the sections its counts announce";
        case Fault::CorruptCounts: return "The file holds corrupt counts";
        case Fault::InvalidModel: return "The mission's counts do not match its records";
        case Fault::NoSignature: return "The mission lacks its version's signature";
        case Fault::MissingWord: return "Missing word: a line inside a block has fewer than two words";
        case Fault::OutOfRange: return "Number out of range";
        case Fault::EndOfFile: return "End of file inside a block";
        case Fault::LineTooLong: return "Line too long (more than 32767 characters)";
        case Fault::NoMission: return "The file holds no mission";
        case Fault::BadList: return "The list file is faulty";
        case Fault::Locked: return "The list folder is locked by another program";
    }
    return "Unknown fault";
}

namespace {
std::string composeWhat(Fault fault, const std::string& path, const std::string& detail, std::int64_t line,
                        std::int64_t offset) {
    std::string text = path.empty() ? std::string() : path + ": ";
    text += describeFault(fault);
    if (!detail.empty()) text += " (" + detail + ")";
    if (line > 0) text += " at line " + std::to_string(line);
    if (offset >= 0) text += " at offset " + std::to_string(offset);
    return text;
}
}  // namespace

Error::Error(Fault fault, std::string path, std::string detail, std::int64_t line, std::int64_t offset)
    : std::runtime_error(composeWhat(fault, path, detail, line, offset)),
      fault_(fault),
      path_(std::move(path)),
      detail_(std::move(detail)),
      line_(line),
      offset_(offset) {}

std::string Error::describe() const {
    std::string text(describeFault(fault_));
    if (!detail_.empty()) text += ": " + detail_;
    if (offset_ >= 0) text += " (at offset " + std::to_string(offset_) + ")";
    return text;
}

std::string systemErrorText(int errnoValue) { return std::generic_category().message(errnoValue); }

}  // namespace vok
