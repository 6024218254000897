#include "package/BlockWalker.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace {

constexpr unsigned kTableBits = 10; // codes up to this long are looked up at once
constexpr unsigned kMaxCodeLength = 15;
constexpr std::size_t kLitLenSymbols = 288, kDistanceSymbols = 32;

// A table entry: the bits to skip (the code and the extra bits after it), what
// follows, and the symbol.
constexpr std::uint32_t kSkip = 0xFF, kMatch = 1u << 8, kEndOfBlock = 1u << 9, kValid = 1u << 10;
constexpr unsigned kSymbolShift = 16;

constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a dynamic block gives the lengths of the code-length code.
constexpr std::uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

enum class Alphabet { LitLen, Distance, CodeLength };

// The input as a stream of bits, least significant first, 56 or more of them at
// hand after every refill. Past the end it reads zeros, and counts them.
class Bits {
public:
    Bits(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    // False once more than a few bytes past the end were read: the walk has run off.
    bool refill()
    {
        if (next_ + 8 <= size_) {
            std::uint64_t word;
            std::memcpy(&word, data_ + next_, sizeof word);
            buffer_ |= le64(word) << held_;
            next_ += (63 - held_) >> 3;
            held_ |= 56;
            return true;
        }
        while (held_ <= 56) {
            const std::uint64_t byte = next_ < size_ ? data_[next_] : 0;
            buffer_ |= byte << held_;
            ++next_;
            held_ += 8;
        }
        return next_ <= size_ + 8;
    }

    std::uint32_t peek(unsigned count) const { return static_cast<std::uint32_t>(buffer_ & ((1ull << count) - 1)); }
    void skip(unsigned count)
    {
        buffer_ >>= count;
        held_ -= count;
    }
    std::uint32_t take(unsigned count)
    {
        const std::uint32_t value = peek(count);
        skip(count);
        return value;
    }

    // Bits read so far.
    std::size_t position() const { return next_ * 8 - held_; }
    bool past(std::size_t bit) const { return position() > bit; }

    // To the next byte boundary, then `bytes` further; false past the end.
    bool jump(std::size_t bytes)
    {
        const std::size_t to = (position() + 7) / 8 + bytes;
        if (to > size_)
            return false;
        next_ = to;
        buffer_ = 0;
        held_ = 0;
        return true;
    }

private:
    static std::uint64_t le64(std::uint64_t word)
    {
        if constexpr (std::endian::native == std::endian::little)
            return word;
        else
            return __builtin_bswap64(word);
    }

    const unsigned char* data_;
    std::size_t size_;
    std::size_t next_ = 0; // the next byte to load
    std::uint64_t buffer_ = 0;
    unsigned held_ = 0; // bits in buffer_
};

// A canonical Huffman code: codes up to kTableBits long in a table, longer ones
// decoded a bit at a time from the count of codes of each length.
class Code {
public:
    // False for lengths that claim more codes than there are.
    bool build(const std::uint8_t* lengths, std::size_t symbols, Alphabet alphabet)
    {
        count_.fill(0);
        for (std::size_t s = 0; s < symbols; ++s)
            ++count_[lengths[s]];
        count_[0] = 0;
        int left = 1;
        for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
            left = left * 2 - count_[length];
            if (left < 0)
                return false;
        }
        std::array<std::uint16_t, kMaxCodeLength + 2> offset{};
        std::array<std::uint32_t, kMaxCodeLength + 1> code{};
        for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
            offset[length + 1] = static_cast<std::uint16_t>(offset[length] + count_[length]);
            code[length] = (code[length - 1] + count_[length - 1]) << 1;
        }
        table_.fill(0);
        for (std::size_t s = 0; s < symbols; ++s) {
            const unsigned length = lengths[s];
            if (length == 0)
                continue;
            sorted_[offset[length]++] = static_cast<std::uint16_t>(s);
            const std::uint32_t value = code[length]++;
            if (length > kTableBits)
                continue;
            std::uint32_t reversed = 0;
            for (unsigned bit = 0; bit < length; ++bit)
                reversed |= ((value >> bit) & 1u) << (length - 1 - bit);
            const std::uint32_t entry = entryFor(static_cast<unsigned>(s), length, alphabet);
            for (std::uint32_t at = reversed; at < table_.size(); at += 1u << length)
                table_[at] = entry;
        }
        alphabet_ = alphabet;
        return true;
    }

    // The entry for the code at the front of `bits` (which holds 15 bits or more);
    // not kValid when no symbol of this alphabet has that code.
    std::uint32_t lookup(const Bits& bits) const
    {
        const std::uint32_t entry = table_[bits.peek(kTableBits)];
        return entry & kValid ? entry : decodeLong(bits.peek(kMaxCodeLength));
    }

private:
    static std::uint32_t entryFor(unsigned symbol, unsigned length, Alphabet alphabet)
    {
        const std::uint32_t head = kValid | symbol << kSymbolShift;
        switch (alphabet) {
        case Alphabet::LitLen:
            if (symbol < 256)
                return head | length;
            if (symbol == 256)
                return head | kEndOfBlock | length;
            if (symbol - 257 < sizeof kLengthExtra)
                return head | kMatch | (length + kLengthExtra[symbol - 257]);
            return 0;
        case Alphabet::Distance:
            return symbol < sizeof kDistanceExtra ? head | (length + kDistanceExtra[symbol]) : 0;
        case Alphabet::CodeLength:
            return head | length;
        }
        return 0;
    }

    // Canonical decoding: the first bit read is the code's most significant.
    std::uint32_t decodeLong(std::uint32_t peeked) const
    {
        int code = 0, first = 0, index = 0;
        for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
            code |= static_cast<int>((peeked >> (length - 1)) & 1u);
            const int count = count_[length];
            if (code - count < first)
                return entryFor(sorted_[static_cast<std::size_t>(index + code - first)], length, alphabet_);
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return 0;
    }

    std::array<std::uint32_t, 1u << kTableBits> table_{};
    std::array<std::uint16_t, kMaxCodeLength + 1> count_{};
    std::array<std::uint16_t, kLitLenSymbols> sorted_{};
    Alphabet alphabet_ = Alphabet::LitLen;
};

struct Codes {
    Code litLen, distance;
};

const Codes& fixedCodes()
{
    static const Codes codes = [] {
        std::uint8_t lengths[kLitLenSymbols];
        std::memset(lengths, 8, 144);
        std::memset(lengths + 144, 9, 112);
        std::memset(lengths + 256, 7, 24);
        std::memset(lengths + 280, 8, 8);
        std::uint8_t distances[kDistanceSymbols];
        std::memset(distances, 5, sizeof distances);
        Codes fixed;
        fixed.litLen.build(lengths, kLitLenSymbols, Alphabet::LitLen);
        fixed.distance.build(distances, kDistanceSymbols, Alphabet::Distance);
        return fixed;
    }();
    return codes;
}

// Reads a dynamic block's header into `codes`; false when it is not one zlib takes.
bool readDynamicCodes(Bits& bits, Codes& codes)
{
    bits.refill();
    const unsigned litLens = bits.take(5) + 257, distances = bits.take(5) + 1, codeLengths = bits.take(4) + 4;
    if (litLens > 286 || distances > 30)
        return false;
    std::uint8_t lengths[kLitLenSymbols + kDistanceSymbols] = {};
    for (unsigned i = 0; i < codeLengths; ++i) {
        bits.refill();
        lengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(bits.take(3));
    }
    Code lengthCode;
    if (!lengthCode.build(lengths, 19, Alphabet::CodeLength))
        return false;
    std::memset(lengths, 0, sizeof lengths);
    for (unsigned i = 0; i < litLens + distances;) {
        if (!bits.refill())
            return false;
        const std::uint32_t entry = lengthCode.lookup(bits);
        if (!(entry & kValid))
            return false;
        bits.skip(entry & kSkip);
        const unsigned symbol = entry >> kSymbolShift;
        unsigned repeat = 1;
        std::uint8_t value = static_cast<std::uint8_t>(symbol);
        if (symbol == 16) {
            if (i == 0)
                return false;
            value = lengths[i - 1];
            repeat = 3 + bits.take(2);
        } else if (symbol == 17) {
            value = 0;
            repeat = 3 + bits.take(3);
        } else if (symbol == 18) {
            value = 0;
            repeat = 11 + bits.take(7);
        }
        if (i + repeat > litLens + distances)
            return false;
        std::memset(lengths + i, value, repeat);
        i += repeat;
    }
    return lengths[256] != 0 && codes.litLen.build(lengths, litLens, Alphabet::LitLen) &&
           codes.distance.build(lengths + litLens, distances, Alphabet::Distance);
}

// Skips the codes of one Huffman block up to its end-of-block code.
bool skipHuffmanBlock(Bits& bits, const Codes& codes)
{
    for (;;) {
        // 56 bits cover the longest symbol: a 15-bit length code with 5 extra bits,
        // a 15-bit distance code with 13.
        if (!bits.refill())
            return false;
        const std::uint32_t entry = codes.litLen.lookup(bits);
        if (!(entry & kValid))
            return false;
        bits.skip(entry & kSkip);
        if (entry & kMatch) {
            const std::uint32_t distance = codes.distance.lookup(bits);
            if (!(distance & kValid))
                return false;
            bits.skip(distance & kSkip);
        } else if (entry & kEndOfBlock) {
            return true;
        }
    }
}

} // namespace

std::optional<BlockWalk> walkBlocks(const unsigned char* data, std::size_t size)
{
    const std::size_t totalBits = size * 8;
    Bits bits(data, size);
    Codes dynamic;
    for (;;) {
        const std::size_t start = bits.position();
        if (start == totalBits)
            return BlockWalk{std::nullopt, totalBits};
        bits.refill();
        const bool final = bits.take(1) != 0;
        const unsigned type = bits.take(2);
        if (type == 0) {
            bits.jump(0);
            bits.refill();
            const std::uint32_t length = bits.take(16), complement = bits.take(16);
            if (bits.past(totalBits) || (length ^ complement) != 0xFFFF || !bits.jump(length))
                return std::nullopt;
        } else if (type == 1) {
            if (!skipHuffmanBlock(bits, fixedCodes()))
                return std::nullopt;
        } else if (type == 2) {
            if (!readDynamicCodes(bits, dynamic) || !skipHuffmanBlock(bits, dynamic))
                return std::nullopt;
        } else {
            return std::nullopt;
        }
        if (bits.past(totalBits))
            return std::nullopt;
        if (final)
            return BlockWalk{start, bits.position()};
    }
}
