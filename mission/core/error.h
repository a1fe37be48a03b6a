#pragma once
// Faults that cross the core. Every failure a user must hear about travels as a vok::Error that
// names the file and, where it applies, the line or the byte offset; the workflow layer turns it
// into the message texts (workflow/messages.h). The core itself never shows anything.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vok {

enum class Fault {
    CannotOpen,     ///< the file cannot be opened or read
    CannotWrite,    ///< the file cannot be created, written, flushed or renamed into place
    TooShort,       ///< a binary file ends before the sections its header and counts announce
    CorruptCounts,  ///< a binary file holds negative counts or counts whose sum overflows
    InvalidModel,   ///< a writer was given a model whose counts do not describe its records
    NoSignature,    ///< a binary writer was given a model without its version's signature
    MissingWord,    ///< ascii: a line inside a block has fewer than two words
    OutOfRange,     ///< ascii: a number does not fit its field after scaling and rounding
    EndOfFile,      ///< ascii: the file ends inside a block
    LineTooLong,    ///< ascii: a line longer than 32767 characters
    NoMission,      ///< ascii: neither a general_information block nor an item in the whole file
    BadList,        ///< a list file whose count or entries cannot be loaded
    Locked,         ///< the list folder lock could not be had in time
};

/// A short English description of the kind of fault, for messages.
std::string_view describeFault(Fault fault);

class Error : public std::runtime_error {
public:
    Error(Fault fault, std::string path, std::string detail, std::int64_t line = 0, std::int64_t offset = -1);

    Fault fault() const { return fault_; }
    const std::string& path() const { return path_; }
    /// What exactly went wrong ("team = 256", "Permission denied"); may be empty.
    const std::string& detail() const { return detail_; }
    /// Line number in an ascii file (counted from 1); 0 when no line applies.
    std::int64_t line() const { return line_; }
    /// Byte offset in a binary file; -1 when no offset applies.
    std::int64_t offset() const { return offset_; }

    /// One line: the fault, its detail and the offset, without the file name.
    std::string describe() const;

private:
    Fault fault_;
    std::string path_;
    std::string detail_;
    std::int64_t line_;
    std::int64_t offset_;
};

/// Text of the current errno, for messages about the file system.
std::string systemErrorText(int errnoValue);

}  // namespace vok
