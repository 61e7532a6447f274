#include "line_reader.h"

#include <cstring>

namespace hbx {

bool LineReader::next(std::string_view& piece) {
    if (pos_ >= data_.size()) return false;
    const char* start = data_.data() + pos_;
    std::size_t avail = data_.size() - pos_;
    std::size_t limit = avail < pieceMax_ ? avail : pieceMax_;
    const void* lf = std::memchr(start, '\n', limit);
    std::size_t len = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) + 1 : limit;
    pos_ += len;
    // The C string that fgets leaves ends at the first NUL byte.
    const void* nul = std::memchr(start, '\0', len);
    if (nul) len = static_cast<std::size_t>(static_cast<const char*>(nul) - start);
    piece = std::string_view(start, len);
    return true;
}

} // namespace hbx
