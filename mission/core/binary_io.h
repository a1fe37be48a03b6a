#pragma once
// Little-endian field encoding, independent of the host's byte order and struct packing.
// BinaryIn checks bounds before every read and names the file and offset when a read fails.

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "mission/core/error.h"
#include "mission/core/fields.h"
#include "mission/core/fixed_text.h"

namespace vok {

class BinaryIn {
public:
    BinaryIn(std::string_view bytes, std::string_view path) : bytes_(bytes), path_(path) {}

    std::size_t offset() const { return pos_; }
    std::size_t remaining() const { return bytes_.size() - pos_; }

    /// Fails with "too short" unless `count` more bytes are there.
    void need(std::size_t count, std::string_view what) const {
        if (count > remaining()) tooShort(what);
    }

    void get(std::uint8_t& value) {
        need(1, "a byte");
        value = static_cast<std::uint8_t>(bytes_[pos_++]);
    }
    void get(std::int16_t& value) {
        need(2, "a 16-bit value");
        value = static_cast<std::int16_t>(byteAt(0) | (byteAt(1) << 8));
        pos_ += 2;
    }
    void get(std::int32_t& value) {
        need(4, "a 32-bit value");
        value = static_cast<std::int32_t>(byteAt(0) | (byteAt(1) << 8) | (byteAt(2) << 16) | (byteAt(3) << 24));
        pos_ += 4;
    }
    template <class T, std::size_t N>
    void get(std::array<T, N>& values) {
        for (T& value : values) get(value);
    }
    template <std::size_t N>
    void get(FixedText<N>& text) {
        need(N, "a text field");
        for (std::size_t i = 0; i < N; ++i) text.bytes[i] = bytes_[pos_ + i];
        pos_ += N;
    }
    /// Counted text of the list files: a 16-bit length L, then L bytes.
    std::string countedText();

    /// The next `count` bytes at once, for a caller that decodes them itself; fails like need().
    const unsigned char* take(std::size_t count, std::string_view what) {
        need(count, what);
        const auto* bytes = reinterpret_cast<const unsigned char*>(bytes_.data() + pos_);
        pos_ += count;
        return bytes;
    }

    [[noreturn]] void fail(Fault fault, std::string detail) const {
        throw Error(fault, std::string(path_), std::move(detail), 0, static_cast<std::int64_t>(pos_));
    }

private:
    std::uint32_t byteAt(std::size_t i) const { return static_cast<std::uint8_t>(bytes_[pos_ + i]); }
    [[noreturn]] void tooShort(std::string_view what) const;

    std::string_view bytes_;
    std::string_view path_;
    std::size_t pos_ = 0;
};

class BinaryOut {
public:
    explicit BinaryOut(std::string& out) : out_(out) {}

    void put(std::uint8_t value) { out_.push_back(static_cast<char>(value)); }
    void put(std::int16_t value) {
        const auto v = static_cast<std::uint16_t>(value);
        const char bytes[2] = {static_cast<char>(v & 0xff), static_cast<char>(v >> 8)};
        out_.append(bytes, 2);
    }
    void put(std::int32_t value) {
        const auto v = static_cast<std::uint32_t>(value);
        const char bytes[4] = {static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff),
                               static_cast<char>((v >> 16) & 0xff), static_cast<char>(v >> 24)};
        out_.append(bytes, 4);
    }
    template <class T, std::size_t N>
    void put(const std::array<T, N>& values) {
        for (const T& value : values) put(value);
    }
    template <std::size_t N>
    void put(const FixedText<N>& text) {
        out_.append(text.bytes.data(), N);
    }
    /// Counted text of the list files. The caller keeps it within 32767 bytes.
    void countedText(std::string_view text);

private:
    std::string& out_;
};

/// Reads one record through its description.
class BinaryReadVisitor : public StoredFieldsOnly {
public:
    explicit BinaryReadVisitor(BinaryIn& in) : in_(in) {}
    template <class T>
    void field(std::string_view, std::size_t, T& value, const Ascii& = {}) {
        in_.get(value);
    }

private:
    BinaryIn& in_;
};

/// Writes one record through its description.
class BinaryWriteVisitor : public StoredFieldsOnly {
public:
    explicit BinaryWriteVisitor(BinaryOut& out) : out_(out) {}
    template <class T>
    void field(std::string_view, std::size_t, const T& value, const Ascii& = {}) {
        out_.put(value);
    }

private:
    BinaryOut& out_;
};

/// Decodes the fields of one record from its bytes, each at its offset in the description. The
/// caller has made sure that the whole record is there.
class RecordDecoder : public StoredFieldsOnly {
public:
    explicit RecordDecoder(const unsigned char* bytes) : bytes_(bytes) {}
    template <class T>
    void field(std::string_view, std::size_t offset, T& value, const Ascii& = {}) {
        decode(bytes_ + offset, value);
    }

private:
    static void decode(const unsigned char* p, std::uint8_t& value) { value = p[0]; }
    static void decode(const unsigned char* p, std::int16_t& value) {
        value = static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
    }
    static void decode(const unsigned char* p, std::int32_t& value) {
        value = static_cast<std::int32_t>(std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
                                          (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24));
    }
    template <class T, std::size_t N>
    static void decode(const unsigned char* p, std::array<T, N>& values) {
        for (std::size_t i = 0; i < N; ++i) decode(p + i * fieldWidth<T>, values[i]);
    }
    template <std::size_t N>
    static void decode(const unsigned char* p, FixedText<N>& text) {
        std::memcpy(text.bytes.data(), p, N);
    }

    const unsigned char* bytes_;
};

/// Encodes the fields of one record into its bytes, each at its offset in the description.
class RecordEncoder : public StoredFieldsOnly {
public:
    explicit RecordEncoder(unsigned char* bytes) : bytes_(bytes) {}
    template <class T>
    void field(std::string_view, std::size_t offset, const T& value, const Ascii& = {}) {
        encode(bytes_ + offset, value);
    }

    /// Encodes one value at `p`; returns the end of its bytes.
    static unsigned char* encode(unsigned char* p, std::uint8_t value) {
        p[0] = value;
        return p + 1;
    }
    static unsigned char* encode(unsigned char* p, std::int16_t value) {
        const auto v = static_cast<std::uint16_t>(value);
        p[0] = static_cast<unsigned char>(v);
        p[1] = static_cast<unsigned char>(v >> 8);
        return p + 2;
    }
    static unsigned char* encode(unsigned char* p, std::int32_t value) {
        const auto v = static_cast<std::uint32_t>(value);
        p[0] = static_cast<unsigned char>(v);
        p[1] = static_cast<unsigned char>(v >> 8);
        p[2] = static_cast<unsigned char>(v >> 16);
        p[3] = static_cast<unsigned char>(v >> 24);
        return p + 4;
    }
    template <class T, std::size_t N>
    static unsigned char* encode(unsigned char* p, const std::array<T, N>& values) {
        for (const T& value : values) p = encode(p, value);
        return p;
    }
    template <std::size_t N>
    static unsigned char* encode(unsigned char* p, const FixedText<N>& text) {
        std::memcpy(p, text.bytes.data(), N);
        return p + N;
    }

private:
    unsigned char* bytes_;
};

/// Encodes a record at `p`, which has room for it; returns the end of its bytes.
template <class R>
[[gnu::flatten]] unsigned char* encodeRecord(unsigned char* p, const R& record) {
    RecordEncoder encoder(p);
    describe(encoder, record);
    return p + recordSize<R>();
}

template <class R>
void readRecord(BinaryIn& in, R& record) {
    constexpr std::size_t size = recordSize<R>();
    if (in.remaining() >= size) {
        // The whole record is there: one bounds check instead of one per field.
        RecordDecoder decoder(in.take(size, "a record"));
        describe(decoder, record);
    } else {
        BinaryReadVisitor visitor(in);  // fails naming the field where the file ends
        describe(visitor, record);
    }
}

/// The next record, decoded from a file known to hold it whole.
template <class R>
[[gnu::flatten]] R decodedRecord(BinaryIn& in) {
    R record;
    RecordDecoder decoder(in.take(recordSize<R>(), "a record"));
    describe(decoder, record);
    return record;
}

}  // namespace vok
