// LineReader against fgets over the same bytes.
#include "frontend/line_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> fgetsPieces(const std::string& data, int size) {
    std::vector<std::string> pieces;
    std::FILE* f = std::tmpfile();
    std::fwrite(data.data(), 1, data.size(), f);
    std::rewind(f);
    std::vector<char> buf(size);
    while (std::fgets(buf.data(), size, f))
        pieces.emplace_back(buf.data()); // cut at NUL
    std::fclose(f);
    return pieces;
}

// The pieces, read a second time after a rewind (the reader keeps where it
// found line feeds and NULs; a rewind must start that over as well).
std::vector<std::string> readerPieces(const std::string& data, int size) {
    std::vector<std::string> pieces, again;
    hbx::LineReader reader(data, size);
    std::string_view piece;
    while (reader.next(piece))
        pieces.emplace_back(piece);
    reader.rewind();
    while (reader.next(piece))
        again.emplace_back(piece);
    EXPECT_EQ(again, pieces);
    return pieces;
}

TEST(LineReader, MatchesFgetsOnLineLengthsAroundTheBuffer) {
    for (int size : {256, 4096}) {
        for (int len :
             {0, 1, size - 2, size - 1, size, size + 1, 2 * size - 2, 2 * size - 1, 3 * size + 5}) {
            for (bool finalFeed : {true, false}) {
                std::string data = "v 1 2 3\n" + std::string(len, 'x');
                if (finalFeed) data += "\nf 1 2 3";
                EXPECT_EQ(readerPieces(data, size), fgetsPieces(data, size))
                    << "size " << size << " len " << len;
            }
        }
    }
}

TEST(LineReader, MatchesFgetsOnRandomTextWithNulsAndCarriageReturns) {
    // Short lines, and lines of tens of bytes (the reader compares many bytes
    // at once: line feeds and NULs at every place within and across those).
    const std::string alphabets[] = {std::string("a \n\rv1\0", 7),
                                     std::string(40, 'a') + std::string("  \r\n\0", 6)};
    std::mt19937 rng(11);
    for (const std::string& alphabet : alphabets) {
        for (int round = 0; round < 300; ++round) {
            std::string data;
            const int n = int(rng() % 3000);
            for (int i = 0; i < n; ++i)
                data.push_back(alphabet[rng() % alphabet.size()]);
            for (int size : {256, 4096, 3, 17, 33})
                ASSERT_EQ(readerPieces(data, size), fgetsPieces(data, size));
        }
    }
}

TEST(LineReader, RawPiecesCutAtTheirNulAreThePieces) {
    std::mt19937 rng(12);
    for (int round = 0; round < 200; ++round) {
        std::string data;
        const int n = int(rng() % 2000);
        for (int i = 0; i < n; ++i)
            data.push_back("aaaaaaaaaa \n\0"[rng() % 13]);
        hbx::LineReader raw(data, 256);
        std::vector<std::string> pieces;
        std::string_view piece;
        std::size_t total = 0;
        while (raw.nextRaw(piece)) {
            total += piece.size();
            pieces.emplace_back(hbx::LineReader::cutAtNul(piece));
        }
        ASSERT_EQ(total, data.size());
        ASSERT_EQ(pieces, readerPieces(data, 256));
    }
}

TEST(LineReader, RewindStartsAgain) {
    const std::string data = "a\nb";
    hbx::LineReader reader(data, 256);
    std::string_view piece;
    while (reader.next(piece)) {
    }
    reader.rewind();
    ASSERT_TRUE(reader.next(piece));
    EXPECT_EQ(piece, "a\n");
}

} // namespace
