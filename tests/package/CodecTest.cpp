#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "package/Codec.h"
#include "package/ReusableChunks.h"

namespace {

struct StringSink : ByteSink {
    std::string bytes;
    bool put(const unsigned char* data, std::size_t size) override
    {
        bytes.append(reinterpret_cast<const char*>(data), size);
        return true;
    }
};

// A sink over a file, as the package reader's, which the second thread can write into.
struct TempFileSink : FileSink {
    explicit TempFileSink(FILE* file) : FileSink(file), file(file) {}
    FILE* file;
    int tailsTaken = 0; // bytes are written straight in only when the second thread's tail was used
    bool skipWritten(std::uint64_t size) override
    {
        ++tailsTaken;
        return FileSink::skipWritten(size);
    }
    // The whole file, bytes written straight in included.
    std::string bytes()
    {
        std::fflush(file);
        struct stat status {};
        fstat(fileno(file), &status);
        std::string all(static_cast<std::size_t>(status.st_size), '\0');
        EXPECT_EQ(pread(fileno(file), all.data(), all.size(), 0), static_cast<ssize_t>(all.size()));
        return all;
    }
};

std::string deflated(const std::string& plain, unsigned workers, ReusableChunks* reuse = nullptr, ChunkGrid grid = {})
{
    StringSink sink;
    Deflater deflater(sink, workers, reuse, grid);
    // Uneven pieces, so that chunks fill across several puts.
    for (std::size_t at = 0; at < plain.size(); at += 100003)
        EXPECT_TRUE(deflater.put(reinterpret_cast<const unsigned char*>(plain.data()) + at,
                                 std::min<std::size_t>(100003, plain.size() - at)));
    EXPECT_TRUE(deflater.finish());
    return sink.bytes;
}

// Plain zlib, as every other reader of the format would: one complete stream, nothing after it.
bool zlibInflates(const std::string& stream, const std::string& expected)
{
    z_stream zs{};
    inflateInit(&zs);
    std::string plain(expected.size() + 1, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
    zs.avail_in = static_cast<uInt>(stream.size());
    zs.next_out = reinterpret_cast<Bytef*>(plain.data());
    zs.avail_out = static_cast<uInt>(plain.size());
    int status = inflate(&zs, Z_FINISH);
    plain.resize(zs.total_out);
    bool ok = status == Z_STREAM_END && zs.avail_in == 0 && plain == expected;
    inflateEnd(&zs);
    return ok;
}

std::string sourceText(std::size_t size)
{
    std::mt19937 random(7);
    std::string text;
    while (text.size() < size)
        text += "static inline int field" + std::to_string(random() % 5000) + "(struct s *p) { return p->x; }\n";
    text.resize(size);
    return text;
}

std::string randomBytes(std::size_t size)
{
    std::mt19937 random(11);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

// The test's own grid: its phase is the first 4 plain bytes, little-endian.
ChunkGrid gridFromHead(const unsigned char* head)
{
    return ChunkGrid::through(head[0] | head[1] << 8 | head[2] << 16 | std::uint64_t{head[3]} << 24);
}

Inflated inflateBytes(const std::string& stream, std::uint64_t expectedLength, std::string* plain = nullptr,
                      unsigned workers = 0, int* tailsTaken = nullptr, GridOf gridOf = nullptr)
{
    FILE* in = std::tmpfile();
    std::fwrite(stream.data(), 1, stream.size(), in);
    std::rewind(in);
    FILE* out = std::tmpfile();
    TempFileSink sink(out);
    Inflated result = inflateStream(in, expectedLength, sink, workers, gridOf);
    std::fclose(in);
    const std::string bytes = sink.bytes();
    EXPECT_LE(bytes.size(), expectedLength);
    if (plain != nullptr)
        *plain = bytes;
    if (tailsTaken != nullptr)
        *tailsTaken = sink.tailsTaken;
    std::fclose(out);
    return result;
}

// A zlib stream of `plain` flushed with `flush` after `first` bytes, then after
// every `every` bytes: each flush leaves an empty stored block, as our writer's
// chunks end; a sync flush keeps back-references across it, a full flush does not.
std::string zlibFlushed(const std::string& plain, std::size_t every, int flush, std::size_t first = 0)
{
    std::string stream(compressBound(static_cast<uLong>(plain.size())) + 64 * (plain.size() / every + 1), '\0');
    z_stream zs{};
    deflateInit(&zs, 6);
    zs.next_out = reinterpret_cast<Bytef*>(stream.data());
    zs.avail_out = static_cast<uInt>(stream.size());
    for (std::size_t at = 0, size = first != 0 ? first : every; at < plain.size(); at += size, size = every) {
        zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data() + at));
        zs.avail_in = static_cast<uInt>(std::min(size, plain.size() - at));
        deflate(&zs, at + size < plain.size() ? flush : Z_FINISH);
    }
    stream.resize(zs.total_out);
    deflateEnd(&zs);
    return stream;
}

constexpr std::size_t kChunk = Deflater::kChunkSize;

// The chunks of a rewrite: the new stream on `grid`, the old one, a whole zlib
// stream in a file, on `previousGrid`, its plain bytes from `movedFrom` on now from `movedTo` on.
struct Rewrite {
    ChunkGrid grid, previousGrid;
    std::uint64_t movedFrom = 0, movedTo = 0;
};

std::string deflatedReusing(const std::string& plain, const std::string& previous, unsigned workers,
                            Rewrite rewrite = {})
{
    FILE* file = std::tmpfile();
    std::fwrite(previous.data(), 1, previous.size(), file);
    std::fflush(file);
    ReusableChunks reuse(fileno(file), 2, previous.size() - 4, rewrite.previousGrid, rewrite.movedFrom,
                         rewrite.movedTo);
    std::string stream = deflated(plain, workers, &reuse, rewrite.grid);
    std::fclose(file);
    return stream;
}

// The compressed bytes of each chunk of a zlib stream flushed once per chunk, up to and including its marker.
std::vector<std::string> flushedChunks(const std::string& stream)
{
    std::vector<std::string> chunks;
    for (std::size_t start = 2, end; (end = stream.find(std::string("\0\0\xFF\xFF", 4), start)) != std::string::npos;
         start = end + 4)
        chunks.push_back(stream.substr(start, end + 4 - start));
    return chunks;
}

} // namespace

TEST(Codec, ChunkedStreamInflatesWithZlibAndDoesNotDependOnThreads)
{
    const std::string text = sourceText(3 * kChunk + 4321), noise = randomBytes(kChunk + 1000);
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"one byte", "x"},
        {"one chunk", text.substr(0, kChunk)},
        {"one byte over", text.substr(0, kChunk + 1)},
        {"many chunks", text},
        {"incompressible", noise},
        // The first chunk ends in stored blocks, after compressed ones, and the second starts with them.
        {"text then noise", text.substr(0, kChunk / 2) + noise},
        {"long runs", std::string(2 * kChunk + 17, 'a') + std::string(kChunk, '\0')},
    };
    for (const auto& [name, plain] : cases) {
        SCOPED_TRACE(name);
        const std::string inline_ = deflated(plain, 0);
        EXPECT_TRUE(zlibInflates(inline_, plain));
        EXPECT_EQ(deflated(plain, 2), inline_);
        std::string back;
        EXPECT_EQ(inflateBytes(inline_, plain.size(), &back), Inflated::Ok);
        EXPECT_EQ(back, plain);
    }
}

TEST(Codec, StaysCloseToZlibInSize)
{
    const std::string text = sourceText(4 * kChunk);
    uLongf bound = compressBound(static_cast<uLong>(text.size()));
    std::string zlibStream(bound, '\0');
    compress2(reinterpret_cast<Bytef*>(zlibStream.data()), &bound, reinterpret_cast<const Bytef*>(text.data()),
              static_cast<uLong>(text.size()), 6);
    EXPECT_LE(static_cast<double>(deflated(text, 2).size()), 1.005 * static_cast<double>(bound));
}

TEST(Codec, InflateRejectsEveryDamagedStream)
{
    const std::string plain = sourceText(6000), stream = deflated(plain, 0);
    ASSERT_EQ(inflateBytes(stream, plain.size()), Inflated::Ok);

    for (std::size_t length = 0; length < stream.size(); ++length)
        EXPECT_EQ(inflateBytes(stream.substr(0, length), plain.size()), Inflated::Damaged) << "cut at " << length;
    for (std::size_t at = 0; at < stream.size(); ++at) {
        std::string flipped = stream;
        flipped[at] = static_cast<char>(flipped[at] ^ 0x21);
        EXPECT_EQ(inflateBytes(flipped, plain.size()), Inflated::Damaged) << "flipped byte " << at;
    }
    EXPECT_EQ(inflateBytes(stream + '\0', plain.size()), Inflated::Damaged);
    EXPECT_EQ(inflateBytes(stream, plain.size() + 1), Inflated::Damaged);
    EXPECT_EQ(inflateBytes(stream, plain.size() - 1), Inflated::Damaged);
    EXPECT_EQ(inflateBytes(stream, 0), Inflated::Damaged);

    // Headers zlib refuses: a preset dictionary, a window over 32 KiB (check bits kept valid).
    EXPECT_EQ(inflateBytes("\x78\xBB" + stream.substr(2), plain.size()), Inflated::Damaged);
    EXPECT_EQ(inflateBytes("\x88\x98" + stream.substr(2), plain.size()), Inflated::Damaged);
}

TEST(Codec, InflateReportsARefusingSink)
{
    struct FullSink : ByteSink {
        bool put(const unsigned char*, std::size_t) override
        {
            errno = ENOSPC;
            return false;
        }
    } full;
    const std::string plain = sourceText(1000), stream = deflated(plain, 0);
    FILE* in = std::tmpfile();
    std::fwrite(stream.data(), 1, stream.size(), in);
    std::rewind(in);
    EXPECT_EQ(inflateStream(in, plain.size(), full), Inflated::WriteError);
    EXPECT_EQ(errno, ENOSPC);
    std::fclose(in);
}

TEST(Codec, TwoThreadInflateGivesTheSinglePassResult)
{
    // Over 4 MiB packed, so that the second thread is used.
    const std::string noise = randomBytes(5 * kChunk / 2), text = sourceText(kChunk);
    const std::string ours = text + noise + text, zlibHead = noise + text, zlibTail = noise.substr(0, 50000);
    const std::string zlibPlain = zlibHead + text.substr(kChunk - 30000) + zlibTail;
    const std::string flushedPlain = randomBytes(9 * kChunk / 2);
    // Starts with the phase of its grid, as gridFromHead reads it: 300 000, 0x493E0.
    const std::string phased = std::string("\xE0\x93\x04\x00", 4) + ours;
    const struct {
        const char* name;
        std::string plain, stream;
        bool tailUsed;
        GridOf gridOf = nullptr;
    } streams[] = {
        {"ours", ours, deflated(ours, 2), true},
        {"ours, on a grid", phased, deflated(phased, 2, nullptr, ChunkGrid::through(300000)), true, &gridFromHead},
        // The tail is looked for on the wrong grid: what it wrote must be written over.
        {"ours, grid unknown", phased, deflated(phased, 2, nullptr, ChunkGrid::through(300000)), false},
        // The tail refers back across the cut: the second thread's work is dropped.
        {"zlib", zlibPlain, zlibFlushed(zlibPlain, zlibHead.size(), Z_SYNC_FLUSH), false},
        // The tail inflates on its own but starts elsewhere than our chunks put it: what
        // it wrote must be written over, whether the head ends before that place or runs past it.
        {"zlib, shorter chunks", flushedPlain, zlibFlushed(flushedPlain, 3 * kChunk / 4, Z_FULL_FLUSH), false},
        {"zlib, longer chunks", flushedPlain, zlibFlushed(flushedPlain, 3 * kChunk / 2, Z_FULL_FLUSH), false},
    };
    for (const auto& [name, plain, stream, tailUsed, gridOf] : streams) {
        SCOPED_TRACE(name);
        ASSERT_GE(stream.size(), 4u << 20);
        std::string flipped = stream, wrongCheck = stream;
        flipped[stream.size() * 3 / 4] ^= 0x10;
        wrongCheck[stream.size() - 1] ^= 0x01;
        const std::pair<const char*, std::string> variants[] = {
            {"intact", stream},
            {"flipped in the tail", flipped},
            {"wrong check value", wrongCheck},
            {"cut short", stream.substr(0, stream.size() - 5)},
            {"trailing byte", stream + '\0'},
        };
        for (const auto& [variant, bytes] : variants) {
            SCOPED_TRACE(variant);
            std::string serial, parallel;
            int tailsTaken = 0;
            Inflated expected = inflateBytes(bytes, plain.size(), &serial);
            EXPECT_EQ(expected, variant == variants[0].first ? Inflated::Ok : Inflated::Damaged);
            EXPECT_EQ(inflateBytes(bytes, plain.size(), &parallel, 2, &tailsTaken, gridOf), expected);
            if (expected == Inflated::Ok) {
                EXPECT_TRUE(parallel == plain);
                EXPECT_EQ(tailsTaken, tailUsed ? 1 : 0);
            }
        }
    }
}

TEST(Codec, RewriteTakesOnlyChunksThatDecodeAloneToTheSameBytes)
{
    const std::string before = sourceText(4 * kChunk + 1000);
    std::string after = before;
    after[kChunk + 10] = '#'; // only the second chunk differs
    const std::string fresh = deflated(after, 0);

    for (unsigned workers : {0u, 2u}) {
        SCOPED_TRACE(workers);
        // Our own chunks are what compressing again would give.
        EXPECT_EQ(deflatedReusing(after, deflated(before, 0), workers), fresh);

        // Another writer's chunks that stand alone are taken as they are, except the changed one.
        const std::string full = zlibFlushed(before, kChunk, Z_FULL_FLUSH);
        const std::vector<std::string> fullChunks = flushedChunks(full);
        ASSERT_EQ(fullChunks.size(), 4u);
        const std::string rewritten = deflatedReusing(after, full, workers);
        EXPECT_TRUE(zlibInflates(rewritten, after));
        for (std::size_t index : {0, 2, 3})
            EXPECT_NE(rewritten.find(fullChunks[index]), std::string::npos) << "chunk " << index;
        EXPECT_EQ(rewritten.find(fullChunks[1]), std::string::npos);

        // After a sync flush the third chunk refers back into the changed second one: taking
        // it would decode to the old bytes.
        const std::string sync = zlibFlushed(before, kChunk, Z_SYNC_FLUSH);
        EXPECT_TRUE(zlibInflates(deflatedReusing(after, sync, workers), after));

        // Bytes that are no deflate stream at all, with markers in them, are never taken.
        std::string hostile = randomBytes(2 * kChunk);
        for (std::size_t at = 1000; at < hostile.size(); at += 300000)
            hostile.replace(at, 4, std::string("\0\0\xFF\xFF", 4));
        EXPECT_EQ(deflatedReusing(after, hostile, workers), fresh);
    }
}

TEST(Codec, RewriteFollowsBytesThatMoved)
{
    // A table in front of the members shrinks by one record: the members move, and so does the grid.
    const std::string table(700000, 't'), members = sourceText(3 * kChunk + 5000);
    const std::string before = table + members, after = table.substr(1040) + members;
    const Rewrite moved{ChunkGrid::through(table.size() - 1040), ChunkGrid::through(table.size()), table.size(),
                        table.size() - 1040};
    const std::string fresh = deflated(after, 0, nullptr, moved.grid);
    EXPECT_TRUE(zlibInflates(fresh, after));

    const std::string full = zlibFlushed(before, kChunk, Z_FULL_FLUSH, table.size());
    const std::vector<std::string> fullChunks = flushedChunks(full);
    ASSERT_EQ(fullChunks.size(), 4u);
    for (unsigned workers : {0u, 2u}) {
        SCOPED_TRACE(workers);
        EXPECT_EQ(deflatedReusing(after, deflated(before, 0, nullptr, moved.previousGrid), workers, moved), fresh);
        const std::string rewritten = deflatedReusing(after, full, workers, moved);
        EXPECT_TRUE(zlibInflates(rewritten, after));
        for (std::size_t index : {1, 2, 3})
            EXPECT_NE(rewritten.find(fullChunks[index]), std::string::npos) << "chunk " << index;
        // Without the move, nothing lines up.
        EXPECT_EQ(deflatedReusing(after, full, workers, {moved.grid, moved.previousGrid}), fresh);
    }
}
