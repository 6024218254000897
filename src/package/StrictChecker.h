#pragma once

// A second decoder over the same compressed bytes, held to zlib's rules, that
// the inflater runs beside its own fast one: ISA-L, which makes the plain bytes,
// accepts some streams zlib refuses (Huffman codes that are incomplete), and a
// package must be refused exactly when zlib would refuse it.
//
// The inflater hands over every compressed byte of the deflate data in order,
// and each boundary it found between two pieces (see PieceIndex). Each piece is
// decoded on its own with libdeflate, which is as strict as zlib, on a worker
// thread when one could start, and on the inflater's own thread whenever the
// worker is behind, so that both CPUs share the work. The plain bytes are only
// counted: the inflater's are the ones kept. A stream some other writer made has
// pieces that need the history before them, or are too large to hold: such a
// stream is left unproven here, for the caller to check with zlib itself.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class StrictChecker {
public:
    explicit StrictChecker(bool threaded);
    ~StrictChecker();
    StrictChecker(const StrictChecker&) = delete;
    StrictChecker& operator=(const StrictChecker&) = delete;

    // The next compressed bytes of the raw deflate data.
    void bytes(const unsigned char* data, std::size_t size);
    // A boundary between two pieces after the bytes handed over so far, where
    // the plain bytes reach `plain`.
    void boundary(std::uint64_t plain);

    // After the last byte of the zlib stream (the deflate data ending in a final
    // block, then the 4-byte check value), where the plain bytes reach `plain`:
    // waits for every piece; true when all decoded by zlib's rules to exactly the
    // plain lengths given, false when that is not proven (damage, or a stream
    // some other writer made). Throws std::bad_alloc when the check could not
    // get memory.
    bool finish(std::uint64_t plain);

    struct Proven {
        std::uint64_t plainEnd;    // where the piece ends in the plain bytes
        std::uint64_t fingerprint; // of its compressed bytes
    };
    // After finish: every piece proven, in no particular order.
    const std::vector<Proven>& proven() const { return proven_; }

private:
    struct Piece;
    struct Tools;

    void close(std::uint64_t plain, bool final);
    void check(Piece& piece, std::unique_ptr<Tools>& tools);
    void runWorker();

    std::unique_ptr<Piece> filling_;
    std::uint64_t plainSoFar_ = 0;
    std::atomic<bool> unproven_{false}; // a piece none of our writer's: nothing more is held
    std::unique_ptr<Tools> ownTools_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<Piece>> queue_;
    std::vector<std::unique_ptr<Piece>> spare_;
    std::vector<Proven> proven_;
    unsigned busy_ = 0;
    bool stopping_ = false, outOfMemory_ = false;
    std::thread thread_;
};
