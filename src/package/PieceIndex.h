#pragma once

// Where the pieces of a compressed stream start and end, as the inflater found
// them: each entry pairs a file offset with the plain offset the stream has
// reached there, taken only where the decoder had used up every bit before that
// offset and stood between two blocks. Our writer ends every piece but the last
// with an empty stored block, so the inflater stops to look just after each
// 00 00 FF FF in the stream; the same bytes inside compressed data stop it too,
// but there the decoder is inside a block and nothing is recorded. The entries
// are therefore exact whatever bytes the data holds: [entry i, entry i+1) is a
// run of whole blocks that inflates to exactly the plain bytes between them
// (given the history before it, which our writer's pieces never use).

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class PieceIndex {
public:
    struct Boundary {
        std::uint64_t packed; // file offset of the first byte after the boundary
        std::uint64_t plain;  // plain bytes before it
        // For the piece that ends here, when it was proven to decode on its own
        // by zlib's rules: the fingerprint of its compressed bytes.
        std::optional<std::uint64_t> proven = std::nullopt;
    };
    struct Range {
        std::uint64_t packedStart, packedEnd;
        std::optional<std::uint64_t> proven;
    };

    // Appends a boundary; they come in stream order. Beyond `kMaxEntries` they are
    // dropped: a hostile stream of tiny blocks costs no more memory than that.
    void record(std::uint64_t packed, std::uint64_t plain)
    {
        if (entries_.size() < kMaxEntries && (entries_.empty() || plain > entries_.back().plain))
            entries_.push_back({packed, plain});
    }

    // Notes that the piece ending where the plain bytes reach `plainEnd` was
    // proven, its compressed bytes having the fingerprint `print`.
    void prove(std::uint64_t plainEnd, std::uint64_t print)
    {
        if (Boundary* end = at(plainEnd))
            end->proven = print;
    }

    // Where the blocks that inflate to exactly the plain bytes [plainStart,
    // plainEnd) lie, when both ends are boundaries.
    std::optional<Range> find(std::uint64_t plainStart, std::uint64_t plainEnd) const
    {
        const Boundary* start = at(plainStart);
        const Boundary* end = at(plainEnd);
        if (start == nullptr || end == nullptr)
            return std::nullopt;
        // Only a piece between neighbouring boundaries was proven as one.
        const bool neighbours = end == start + 1;
        return Range{start->packed, end->packed, neighbours ? end->proven : std::nullopt};
    }

    const std::vector<Boundary>& entries() const { return entries_; }

    // Enough for 16 GiB of 3 MiB pieces, a few hundred KiB at most.
    static constexpr std::size_t kMaxEntries = 16384;

private:
    const Boundary* at(std::uint64_t plain) const
    {
        auto found = std::lower_bound(entries_.begin(), entries_.end(), plain,
                                      [](const Boundary& entry, std::uint64_t value) { return entry.plain < value; });
        return found != entries_.end() && found->plain == plain ? &*found : nullptr;
    }
    Boundary* at(std::uint64_t plain) { return const_cast<Boundary*>(std::as_const(*this).at(plain)); }

    std::vector<Boundary> entries_;
};
