// One harness body for every "create from file" writer: the fuzzed bytes are
// the OBJ input, written to a scratch file and handed to the writer with a
// scratch output path, exactly as the driver would.
#pragma once

#include "fuzz/harness_support.h"

#include <cstddef>
#include <cstdint>

namespace hbxfuzz {

using FileWriter = int (*)(const char* inputPath, const char* outputPath);

// Runs writer on data and checks its result (see checkWriterResult).
void fuzzFileWriter(const uint8_t* data, std::size_t size, FileWriter writer, bool finiteRecords,
                    FailedFile failedFile);

} // namespace hbxfuzz
