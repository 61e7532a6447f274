// Arbitrary bytes as the OBJ input of the circle fit (makeHBX2 CR).
#include "fuzz/file_writer_harness.h"
#include "shapes/circle.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    hbxfuzz::captureStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    hbxfuzz::fuzzFileWriter(data, size, hbx2::circleCreateOBJ, true, hbxfuzz::FailedFile::None);
    return 0;
}
