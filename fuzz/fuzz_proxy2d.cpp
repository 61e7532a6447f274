// Arbitrary bytes as the OBJ input of the 2D proxy builder (makeHBX2 PX).
#include "fuzz/file_writer_harness.h"
#include "proxy2d/proxy_create_obj.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    hbxfuzz::captureStdout();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    hbxfuzz::fuzzFileWriter(data, size, hbx2::proxyCreateOBJ, true, hbxfuzz::FailedFile::Aborted);
    return 0;
}
