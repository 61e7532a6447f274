// The reader behind readShapeFile and readShapeText.
#pragma once

#include "hbx/shape_file.h"
#include "reader/line_source.h"

namespace hbx {

// Reads a Shape File from source into out (cleared first), naming it name in
// diagnostics. A failed read of the source gives Status::CannotRead.
ReadResult readLines(detail::LineSource& source, std::string_view name, ShapeFile& out,
                     const ReadOptions& options) noexcept;

} // namespace hbx
