#include "frontend/line_reader.h"

#include <cstring>

namespace hbx {

void LineReader::findNul(std::size_t from) {
    const void* nul = std::memchr(data_.data() + from, '\0', data_.size() - from);
    nulFrom_ = from;
    nulAt_ =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - data_.data()) : data_.size();
}

std::string_view LineReader::cutAtNul(std::string_view piece) {
    // The C string that fgets leaves ends at the first NUL byte.
    const void* nul = std::memchr(piece.data(), '\0', piece.size());
    if (nul)
        piece =
            piece.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - piece.data()));
    return piece;
}

} // namespace hbx
