#include "line_reader.h"

#include <cstring>

namespace hbx {

bool LineReader::nextRaw(std::string_view& piece) {
    if (pos_ >= data_.size()) return false;
    const char* start = data_.data() + pos_;
    std::size_t avail = data_.size() - pos_;
    std::size_t limit = avail < pieceMax_ ? avail : pieceMax_;
    const void* lf = std::memchr(start, '\n', limit);
    std::size_t len = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) + 1 : limit;
    pos_ += len;
    piece = std::string_view(start, len);
    return true;
}

std::string_view LineReader::cutAtNul(std::string_view piece) {
    // The C string that fgets leaves ends at the first NUL byte.
    const void* nul = std::memchr(piece.data(), '\0', piece.size());
    if (nul) piece = piece.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - piece.data()));
    return piece;
}

} // namespace hbx
