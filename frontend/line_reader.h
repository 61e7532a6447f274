// Line reading over a file held in memory.
//
// The OBJ readers were designed around fgets() with a fixed buffer: a line of
// up to size-1 bytes comes back whole, a longer one in consecutive pieces of
// size-1 bytes, and a last line without a line feed is a line like any other.
// LineReader hands out exactly those pieces. A piece is cut at its first NUL
// byte, as the C string that fgets leaves behind would be; the bytes after the
// NUL still count towards the piece length.
#pragma once

#include <cstddef>
#include <string_view>

namespace hbx {

class LineReader {
public:
    // bufferSize is the fgets buffer size (256 or 4096): pieces hold at most
    // bufferSize - 1 bytes.
    LineReader(std::string_view data, std::size_t bufferSize)
        : data_(data), pieceMax_(bufferSize - 1) {}

    // Fills piece with the next piece (line feed included when the piece has
    // one, cut at a NUL). Returns false at the end of the data.
    bool next(std::string_view& piece) {
        if (pos_ >= data_.size()) return false;
        const char* start = data_.data() + pos_;
        const std::size_t limit = pieceLimit();
        std::size_t nul = limit;
        const std::size_t len = pieceLengthAndNul(start, limit, nul);
        pos_ += len;
        piece = std::string_view(start, nul < len ? nul : len);
        return true;
    }

    // The next piece without the NUL cut, for readers that only look at most
    // pieces' first bytes: a piece whose first bytes are not NUL classifies
    // the same either way, and cutAtNul gives the piece next() would.
    bool nextRaw(std::string_view& piece) {
        if (pos_ >= data_.size()) return false;
        const char* start = data_.data() + pos_;
        const std::size_t len = pieceLength(start, pieceLimit());
        pos_ += len;
        piece = std::string_view(start, len);
        return true;
    }

    static std::string_view cutAtNul(std::string_view piece);

    // Back to the start of the data, as rewind() of the file.
    void rewind() { pos_ = 0; }

private:
    std::size_t pieceLimit() const {
        const std::size_t avail = data_.size() - pos_;
        return avail < pieceMax_ ? avail : pieceMax_;
    }

    // The length of the piece at start, given the most it may hold: up to
    // and including the first line feed, or limit bytes.
    static std::size_t pieceLength(const char* start, std::size_t limit);
    // The same, and the offset of the piece's first NUL in nul (left as it
    // is when the piece has none).
    static std::size_t pieceLengthAndNul(const char* start, std::size_t limit, std::size_t& nul);

    std::string_view data_;
    std::size_t pieceMax_;
    std::size_t pos_ = 0;
};

} // namespace hbx
