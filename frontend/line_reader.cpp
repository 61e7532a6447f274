#include "line_reader.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace hbx {

// Mesh lines are a few dozen bytes: sixteen bytes are compared at once
// where the instruction set has it, with memchr for the rest of a piece
// (and everywhere else).

std::size_t LineReader::pieceLength(const char* start, std::size_t limit) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    for (; i + 16 <= limit; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(start + i));
        const unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, lf)));
        if (hits != 0) return i + static_cast<std::size_t>(std::countr_zero(hits)) + 1;
    }
#endif
    const void* found = std::memchr(start + i, '\n', limit - i);
    return found ? static_cast<std::size_t>(static_cast<const char*>(found) - start) + 1 : limit;
}

std::size_t LineReader::pieceLengthAndNul(const char* start, std::size_t limit, std::size_t& nul) {
    std::size_t i = 0;
#if defined(__SSE2__)
    // Line feeds and NULs in one sweep; a NUL first is rare, and the line
    // feed is then looked for on its own.
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= limit; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(start + i));
        const unsigned hits = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, lf), _mm_cmpeq_epi8(chunk, zero))));
        if (hits != 0) {
            const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(hits));
            if (start[at] == '\n') return at + 1;
            nul = at;
            return pieceLength(start, limit);
        }
    }
#endif
    const std::size_t len = i + pieceLength(start + i, limit - i);
    const void* found = std::memchr(start + i, '\0', len - i);
    if (found) nul = static_cast<std::size_t>(static_cast<const char*>(found) - start);
    return len;
}

std::string_view LineReader::cutAtNul(std::string_view piece) {
    // The C string that fgets leaves ends at the first NUL byte.
    const void* nul = std::memchr(piece.data(), '\0', piece.size());
    if (nul) piece = piece.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - piece.data()));
    return piece;
}

} // namespace hbx
