#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "package/BlockWalker.h"
#include "package/Deflater.h"
#include "package/Inflater.h"
#include "package/ReusablePieces.h"

namespace {

struct StringSink : ByteSink {
    std::string bytes;
    bool put(const unsigned char* data, std::size_t size) override
    {
        bytes.append(reinterpret_cast<const char*>(data), size);
        return true;
    }
};

// A file holding `bytes`, removed with the object.
struct TempFile {
    explicit TempFile(const std::string& bytes) : file(std::tmpfile())
    {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fflush(file);
    }
    ~TempFile() { std::fclose(file); }
    int fd() const { return fileno(file); }
    FILE* file;
};

std::string deflated(const std::string& plain, unsigned workers, ReusablePieces* reuse = nullptr, PieceGrid grid = {})
{
    StringSink sink;
    Deflater deflater(sink, workers, reuse, grid);
    // Uneven puts, so that pieces fill across several.
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

Inflated inflateBytes(const std::string& stream, std::uint64_t expectedLength, std::string* plain = nullptr,
                      PieceIndex* pieces = nullptr)
{
    TempFile in(stream);
    StringSink sink;
    const Inflated result = inflatePayload(in.fd(), 0, expectedLength, sink, pieces);
    EXPECT_LE(sink.bytes.size(), expectedLength);
    if (plain != nullptr)
        *plain = sink.bytes;
    return result;
}

// A zlib stream of `plain` flushed with `flush` after `first` bytes, then after
// every `every` bytes: each flush leaves an empty stored block, as our writer's
// pieces end; a sync flush keeps back-references across it, a full flush does not.
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

constexpr std::size_t kPiece = PieceGrid::kPieceSize;

// A rewrite: the new stream on `grid`, its plain bytes from `movedTo` on from
// `movedFrom` on in the old one.
struct Rewrite {
    PieceGrid grid;
    std::uint64_t movedFrom = 0, movedTo = 0;
};

// Deflates `plain` taking pieces from `previous`, a zlib stream of `previousLength`
// plain bytes, indexed by inflating it, as a rewrite unwraps the old package first.
// `damage`, when given, changes the old file after that, as another process could.
std::string deflatedReusing(const std::string& plain, const std::string& previous, std::uint64_t previousLength,
                            unsigned workers, Rewrite rewrite = {}, void (*damage)(std::string&) = nullptr)
{
    PieceIndex pieces;
    std::string previousPlain;
    inflateBytes(previous, previousLength, &previousPlain, &pieces);
    std::string onDisk = previous;
    if (damage != nullptr)
        damage(onDisk);
    TempFile file(onDisk), plainFile(previousPlain);
    ReusablePieces reuse(file.fd(), plainFile.fd(), pieces, rewrite.movedFrom, rewrite.movedTo);
    return deflated(plain, workers, &reuse, rewrite.grid);
}

// The compressed bytes of each piece of a zlib stream flushed once per piece, up to and including its marker.
std::vector<std::string> flushedPieces(const std::string& stream)
{
    std::vector<std::string> pieces;
    for (std::size_t start = 2, end; (end = stream.find(std::string("\0\0\xFF\xFF", 4), start)) != std::string::npos;
         start = end + 4)
        pieces.push_back(stream.substr(start, end + 4 - start));
    return pieces;
}

} // namespace

TEST(Codec, PiecedStreamInflatesWithZlibStaysCloseInSizeAndDoesNotDependOnThreads)
{
    const std::string text = sourceText(3 * kPiece + 4321), noise = randomBytes(kPiece + 1000);
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"one byte", "x"},
        {"one piece", text.substr(0, kPiece)},
        {"one byte over", text.substr(0, kPiece + 1)},
        {"many pieces", text},
        {"incompressible", noise},
        // The first piece ends in stored blocks, after compressed ones, and the second starts with them.
        {"text then noise", text.substr(0, kPiece / 2) + noise},
        {"long runs", std::string(2 * kPiece + 17, 'a') + std::string(kPiece, '\0')},
        // Noise is stored in blocks of 65 535 bytes: one whose last byte is 0, before
        // the next one's header (00 FF FF 00 00), looks like a piece's end, after
        // pieces enough that the reader's buffers have been used before.
        {"a piece's end inside a piece", text.substr(0, 3 * kPiece) + noise.substr(0, 3 * 65535 - 1) + '\0' + noise},
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

    // Pieces cost little: the stream stays close to zlib's in size.
    const std::string more = sourceText(4 * kPiece);
    uLongf bound = compressBound(static_cast<uLong>(more.size()));
    std::string zlibStream(bound, '\0');
    compress2(reinterpret_cast<Bytef*>(zlibStream.data()), &bound, reinterpret_cast<const Bytef*>(more.data()),
              static_cast<uLong>(more.size()), 6);
    EXPECT_LE(static_cast<double>(deflated(more, 2).size()), 1.005 * static_cast<double>(bound));
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

// A dynamic block whose literal/length code is incomplete: ISA-L decodes it,
// zlib and so the format's other readers refuse it.
TEST(Codec, InflateRefusesWhatZlibRefuses)
{
    // "aa": the literal 'a' and end-of-block hold codes 00 and 01; 1x is unused.
    const std::string incomplete("\x78\x9c\x05\xc0\x01\x09\x00\x00\x00\x80\xa0\xad\xfd\x3f\x91\x20"
                                 "\x01\x25\x00\xc3",
                                 20);
    std::string plain;
    EXPECT_EQ(inflateBytes(incomplete, 2, &plain), Inflated::Damaged);

    // Another writer's stream, whose pieces refer back across the flushes: zlib decides, and accepts.
    const std::string text = sourceText(3 * kPiece);
    const std::string sync = zlibFlushed(text, kPiece, Z_SYNC_FLUSH);
    EXPECT_EQ(inflateBytes(sync, text.size(), &plain), Inflated::Ok);
    EXPECT_TRUE(plain == text);
}

// Binary data full of the bytes that end our pieces, in stored and compressed
// blocks alike, after pieces of text: the pieces read on their own until the
// first such bytes, the rest front to back, and the index holds exactly the
// pieces' boundaries, nothing else.
TEST(Codec, IndexFindsEveryPieceWhateverTheDataHolds)
{
    std::string binary =
        sourceText(2 * kPiece) + randomBytes(2 * kPiece) + std::string(kPiece, '\xFF') + randomBytes(kPiece);
    for (std::size_t at = 100; at < binary.size(); at += 4099)
        binary.replace(at, 8, std::string("\0\0\xFF\xFF\xFF\xFF\0\0", 8));
    const PieceGrid grid = PieceGrid::through(123456);
    const std::string stream = deflated(binary, 2, nullptr, grid);
    PieceIndex pieces;
    std::string back;
    ASSERT_EQ(inflateBytes(stream, binary.size(), &back, &pieces), Inflated::Ok);
    EXPECT_TRUE(back == binary);
    std::vector<std::uint64_t> plainEnds;
    for (const PieceIndex::Boundary& boundary : pieces.entries())
        plainEnds.push_back(boundary.plain);
    std::vector<std::uint64_t> expected;
    for (std::uint64_t index = 0; grid.start(index) < binary.size(); ++index)
        expected.push_back(grid.start(index));
    EXPECT_EQ(plainEnds, expected);
}

TEST(Codec, RewriteTakesOnlyPiecesThatDecodeAloneToTheSameBytes)
{
    const std::string before = sourceText(4 * kPiece + 1000);
    std::string after = before;
    after[kPiece + 10] = '#'; // only the second piece differs
    const std::string fresh = deflated(after, 0);

    for (unsigned workers : {0u, 2u}) {
        SCOPED_TRACE(workers);
        // Our own pieces are what compressing again would give; in a file changed since it was
        // read, the pieces that changed are not taken.
        const std::string ours = deflated(before, 0);
        EXPECT_EQ(deflatedReusing(after, ours, before.size(), workers), fresh);
        auto flipMiddle = [](std::string& bytes) { bytes[bytes.size() / 2] ^= 0x40; };
        EXPECT_EQ(deflatedReusing(after, ours, before.size(), workers, {}, flipMiddle), fresh);

        // Another writer's pieces that stand alone are taken as they are, except the changed one.
        const std::string full = zlibFlushed(before, kPiece, Z_FULL_FLUSH);
        const std::vector<std::string> fullPieces = flushedPieces(full);
        ASSERT_EQ(fullPieces.size(), 4u);
        const std::string rewritten = deflatedReusing(after, full, before.size(), workers);
        EXPECT_TRUE(zlibInflates(rewritten, after));
        for (std::size_t index : {0, 2, 3})
            EXPECT_NE(rewritten.find(fullPieces[index]), std::string::npos) << "piece " << index;
        EXPECT_EQ(rewritten.find(fullPieces[1]), std::string::npos);

        // After a sync flush the third piece refers back into the changed second one: taking
        // it would decode to the old bytes.
        const std::string sync = zlibFlushed(before, kPiece, Z_SYNC_FLUSH);
        EXPECT_TRUE(zlibInflates(deflatedReusing(after, sync, before.size(), workers), after));

        // Bytes that are no deflate stream at all, with markers in them, are never taken.
        std::string hostile = randomBytes(2 * kPiece);
        for (std::size_t at = 1000; at < hostile.size(); at += 300000)
            hostile.replace(at, 4, std::string("\0\0\xFF\xFF", 4));
        EXPECT_EQ(deflatedReusing(after, hostile, before.size(), workers), fresh);
    }
}

TEST(Codec, RewriteFollowsBytesThatMoved)
{
    // A table in front of the members shrinks by one record: the members move, and so does the grid.
    const std::string table(700000, 't'), members = sourceText(3 * kPiece + 5000);
    const std::string before = table + members, after = table.substr(1040) + members;
    const Rewrite moved{PieceGrid::through(table.size() - 1040), table.size(), table.size() - 1040};
    const PieceGrid previousGrid = PieceGrid::through(table.size());
    const std::string fresh = deflated(after, 0, nullptr, moved.grid);
    EXPECT_TRUE(zlibInflates(fresh, after));

    const std::string full = zlibFlushed(before, kPiece, Z_FULL_FLUSH, table.size());
    const std::vector<std::string> fullPieces = flushedPieces(full);
    ASSERT_EQ(fullPieces.size(), 4u);
    for (unsigned workers : {0u, 2u}) {
        SCOPED_TRACE(workers);
        EXPECT_EQ(deflatedReusing(after, deflated(before, 0, nullptr, previousGrid), before.size(), workers, moved),
                  fresh);
        const std::string rewritten = deflatedReusing(after, full, before.size(), workers, moved);
        EXPECT_TRUE(zlibInflates(rewritten, after));
        for (std::size_t index : {1, 2, 3})
            EXPECT_NE(rewritten.find(fullPieces[index]), std::string::npos) << "piece " << index;
        // Without the move, nothing lines up.
        EXPECT_EQ(deflatedReusing(after, full, before.size(), workers, {moved.grid}), fresh);
    }
}

namespace {

// zlib's own account of a raw deflate stream's blocks, from inflating with Z_BLOCK:
// where the final block starts and where it ends, in bits.
std::pair<std::size_t, std::size_t> zlibFinalBlock(const std::string& raw)
{
    z_stream zs{};
    inflateInit2(&zs, -15);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
    zs.avail_in = static_cast<uInt>(raw.size());
    std::vector<unsigned char> out(1 << 16);
    std::size_t lastStart = 0, end = 0;
    int status;
    do {
        zs.next_out = out.data();
        zs.avail_out = static_cast<uInt>(out.size());
        status = inflate(&zs, Z_BLOCK);
        if (zs.data_type & 128)
            (zs.data_type & 64 ? end : lastStart) = (raw.size() - zs.avail_in) * 8 - (zs.data_type & 7);
    } while (status == Z_OK);
    inflateEnd(&zs);
    return {lastStart, end};
}

std::string rawDeflated(const std::string& plain, int level, int strategy)
{
    std::string raw(compressBound(static_cast<uLong>(plain.size())) + 65536, '\0');
    z_stream zs{};
    deflateInit2(&zs, level, Z_DEFLATED, -15, 8, strategy);
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    zs.avail_in = static_cast<uInt>(plain.size());
    zs.next_out = reinterpret_cast<Bytef*>(raw.data());
    zs.avail_out = static_cast<uInt>(raw.size());
    // Small sync-flushed runs put stored, fixed and dynamic blocks side by side.
    for (std::size_t at = 0; zs.avail_in > 0;) {
        const uInt run = std::min<uInt>(zs.avail_in, at % 3 == 0 ? 40000 : 7);
        const uInt left = zs.avail_in - run;
        zs.avail_in = run;
        deflate(&zs, left == 0 ? Z_FINISH : Z_SYNC_FLUSH);
        zs.avail_in = left;
        at += run;
    }
    raw.resize(zs.total_out);
    deflateEnd(&zs);
    return raw;
}

} // namespace

TEST(Codec, BlockWalkFindsTheFinalBlockWhereZlibDoesAndRefusesWhatIsNotWholeBlocks)
{
    const std::string mixed = sourceText(300000) + randomBytes(100000) + std::string(70000, 'z');
    for (const auto& [level, strategy] : std::vector<std::pair<int, int>>{
             {0, Z_DEFAULT_STRATEGY}, {1, Z_DEFAULT_STRATEGY}, {6, Z_DEFAULT_STRATEGY}, {9, Z_FILTERED},
             {6, Z_FIXED}, {6, Z_HUFFMAN_ONLY}, {6, Z_RLE}}) {
        const std::string raw = rawDeflated(mixed, level, strategy);
        const auto [lastStart, end] = zlibFinalBlock(raw);
        const auto walk = walkBlocks(reinterpret_cast<const unsigned char*>(raw.data()), raw.size());
        ASSERT_TRUE(walk) << level << " " << strategy;
        EXPECT_EQ(walk->finalStart, lastStart) << level << " " << strategy;
        EXPECT_EQ(walk->end, end) << level << " " << strategy;
    }
    // Without a final block, the walk ends with the input when a block ends there.
    const std::string open = zlibFlushed(sourceText(50000), 20000, Z_SYNC_FLUSH);
    const std::string firstRun = open.substr(2, open.find(std::string("\0\0\xFF\xFF", 4), 2) + 4 - 2);
    const auto walk = walkBlocks(reinterpret_cast<const unsigned char*>(firstRun.data()), firstRun.size());
    ASSERT_TRUE(walk);
    EXPECT_FALSE(walk->finalStart);
    EXPECT_EQ(walk->end, firstRun.size() * 8);
    for (std::size_t cut : {1u, 2u, 5u, 100u}) {
        const std::string shorter = firstRun.substr(0, firstRun.size() - cut);
        EXPECT_FALSE(walkBlocks(reinterpret_cast<const unsigned char*>(shorter.data()), shorter.size())) << cut;
    }
    const unsigned char reserved[] = {0x07, 0x00};
    EXPECT_FALSE(walkBlocks(reserved, sizeof reserved));
}
