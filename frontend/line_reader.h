// Line reading over a file held in memory.
//
// The OBJ readers take their lines as fgets() with a fixed buffer gives them:
// a line of up to size-1 bytes comes back whole, a longer one in consecutive pieces of
// size-1 bytes, and a last line without a line feed is a line like any other.
// LineReader hands out exactly those pieces. A piece is cut at its first NUL
// byte, as the C string that fgets leaves behind would be; the bytes after the
// NUL still count towards the piece length.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace hbx {

class LineReader {
  public:
    // bufferSize is the fgets buffer size (256 or 4096): pieces hold at most
    // bufferSize - 1 bytes.
    LineReader(std::string_view data, std::size_t bufferSize)
        : data_(data), pieceMax_(bufferSize - 1) {
        loadBlock(0);
    }

    // Fills piece with the next piece (line feed included when the piece has
    // one, cut at a NUL). Returns false at the end of the data.
    bool next(std::string_view& piece) {
        const std::size_t start = pos_;
        if (!nextRaw(piece)) return false;
        if (start < nulFrom_ || nulAt_ < start) findNul(start);
        if (nulAt_ < pos_) piece = piece.substr(0, nulAt_ - start);
        return true;
    }

    // The next piece without the NUL cut, for readers that only look at most
    // pieces' first bytes: a piece whose first bytes are not NUL classifies
    // the same either way, and cutAtNul gives the piece next() would.
    bool nextRaw(std::string_view& piece) {
        if (pos_ >= data_.size()) return false;
        while (feeds_ == 0 && block_ + kBlock < data_.size())
            loadBlock(block_ + kBlock);
        // The next line feed, or the end of the data.
        const std::size_t feed = feeds_ != 0
                                     ? block_ + static_cast<std::size_t>(std::countr_zero(feeds_))
                                     : data_.size();
        std::size_t len = feed < data_.size() ? feed + 1 - pos_ : data_.size() - pos_;
        if (len > pieceMax_) {
            len = pieceMax_; // the line feed stays for a later piece
        } else if (feeds_ != 0) {
            feeds_ &= feeds_ - 1;
        }
        piece = std::string_view(data_.data() + pos_, len);
        pos_ += len;
        return true;
    }

    static std::string_view cutAtNul(std::string_view piece);

    // Back to the start of the data, as rewind() of the file.
    void rewind() {
        pos_ = 0;
        loadBlock(0);
    }

  private:
    // Line feeds are found a block of 64 bytes at a time and handed out from
    // a bit mask: a mesh line of a few dozen bytes costs about one block.
    static constexpr std::size_t kBlock = 64;

    // Makes the block at start the current one, with its line feeds in
    // feeds_ (bit i for the byte at start + i).
    void loadBlock(std::size_t start) {
        block_ = start;
        const char* p = data_.data() + start;
        std::uint64_t feeds = 0;
#if defined(__SSE2__)
        if (start + kBlock <= data_.size()) {
            const __m128i lf = _mm_set1_epi8('\n');
            for (int i = 0; i < 4; ++i) {
                const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
                feeds |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(
                             _mm_movemask_epi8(_mm_cmpeq_epi8(chunk, lf))))
                         << (16 * i);
            }
            feeds_ = feeds;
            return;
        }
#endif
        const std::size_t n = data_.size() - start < kBlock ? data_.size() - start : kBlock;
        for (std::size_t i = 0; i < n; ++i)
            if (p[i] == '\n') feeds |= std::uint64_t(1) << i;
        feeds_ = feeds;
    }

    // Sets nulAt_ to the first NUL at or after from (the data size when there
    // is none). NULs are rare: one search mostly serves the whole file.
    void findNul(std::size_t from);
    static constexpr std::size_t kUnsearched = ~std::size_t(0);

    std::string_view data_;
    std::size_t pieceMax_;
    std::size_t pos_ = 0;
    // The current block and its line feeds at or after pos_; the blocks
    // before it have none left.
    std::size_t block_ = 0;
    std::uint64_t feeds_ = 0;
    // No NUL lies in [nulFrom_, nulAt_); nulAt_ is a NUL or the data size.
    std::size_t nulFrom_ = kUnsearched;
    std::size_t nulAt_ = 0;
};

} // namespace hbx
