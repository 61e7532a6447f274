// Shape File texts for the reader and hbxcheck tests: the golden files the
// tools' own tests compare against, with a real stamp in place of the mask,
// and line edits that break them in one place.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace readertest {

inline constexpr const char* kStampLine =
    "#============generated at 09:05:07 on 03:11:2026============#";

// tests/<relative>, "#STAMP#" replaced by kStampLine.
std::string golden(const std::string& relative);

// Every golden file (relative paths), 3D and 2D, finished and templates.
std::vector<std::string> allGoldens();

// text with its 1-based line `line` replaced by replacement, or removed when
// replacement is nullopt. The line feed after the line is kept (or removed).
std::string editLine(const std::string& text, int line, std::optional<std::string> replacement);

// text with a line inserted before 1-based line `line`.
std::string insertLine(const std::string& text, int line, const std::string& inserted);

} // namespace readertest
