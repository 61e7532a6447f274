// Arbitrary bytes as the OBJ input of the sphere fit (makeHBX3 SP).
#include "fuzz/file_writer_harness.h"
#include "shapes/sphere.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    hbxfuzz::captureStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    hbxfuzz::fuzzFileWriter(data, size, hbx3::sphereCreateOBJ, true, hbxfuzz::FailedFile::None);
    return 0;
}
