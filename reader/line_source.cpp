#include "reader/line_source.h"

#include <cstring>

namespace hbx::detail {

LineSource::LineSource(std::string_view text)
    : pos_(text.data()), end_(text.data() + text.size()), eof_(true), sizeHint_(text.size()) {}

LineSource::LineSource(std::FILE* file, std::size_t sizeHint, std::size_t chunk)
    : file_(file), buffer_(chunk > 0 ? chunk : 1), sizeHint_(sizeHint) {
    pos_ = end_ = buffer_.data();
}

bool LineSource::refill() {
    if (eof_) return false;
    const std::size_t kept = static_cast<std::size_t>(end_ - pos_);
    const std::size_t offset = static_cast<std::size_t>(pos_ - buffer_.data());
    // A line longer than the buffer fills it from its start; growing keeps
    // the bytes (and moves them, so pos_ is taken up again by offset).
    if (kept == buffer_.size()) buffer_.resize(buffer_.size() * 2);
    std::memmove(buffer_.data(), buffer_.data() + offset, kept);
    const std::size_t got = std::fread(buffer_.data() + kept, 1, buffer_.size() - kept, file_);
    pos_ = buffer_.data();
    end_ = buffer_.data() + kept + got;
    if (got == 0) {
        eof_ = true;
        failed_ = std::ferror(file_) != 0;
        return false;
    }
    return true;
}

bool LineSource::next(const char*& begin, const char*& end, bool& newline) {
    std::size_t searched = 0; // bytes known to hold no '\n'
    for (;;) {
        const auto* nl = static_cast<const char*>(
            std::memchr(pos_ + searched, '\n', static_cast<std::size_t>(end_ - pos_) - searched));
        if (nl) {
            begin = pos_;
            end = nl;
            newline = true;
            pos_ = nl + 1;
            return true;
        }
        searched = static_cast<std::size_t>(end_ - pos_);
        if (!refill()) break;
    }
    if (pos_ == end_ || failed_) return false;
    begin = pos_;
    end = end_;
    newline = false;
    pos_ = end_;
    return true;
}

} // namespace hbx::detail
