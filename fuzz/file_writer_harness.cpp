#include "fuzz/file_writer_harness.h"

#include <string>

namespace hbxfuzz {

void fuzzFileWriter(const uint8_t* data, std::size_t size, FileWriter writer, bool finiteRecords,
                    FailedFile failedFile) {
    static const std::string input = scratchDir() + "/mesh.obj";
    static const std::string output = scratchDir() + "/shape.out";
    writeFile(input, data, size);
    removeFile(output);
    resetCapture();
    const int result = writer(input.c_str(), output.c_str());
    checkWriterResult(result, capturedOutput(), output, finiteRecords, failedFile);
}

} // namespace hbxfuzz
