#include "shapes/sphere.h"

#include "shapes/ball_writers.h"

namespace hbx3 {
namespace {
constexpr hbx::BallShape kSphere{
    .tool = hbx::Tool::ThreeD,
    .typeCode = "SP",
    .axes = 3,
    .shellRecords = "radius <FLOAT \"radius\">\n"
                    "centre <FLOAT \"x centre\"> <FLOAT \"y centre\"> <FLOAT \"z centre\">\n",
    .shellOpenMessageEndsLine = false,
    .fitOpenMessagesEndLine = false,
};
} // namespace

int sphereShell(const char* outputPath) {
    return hbx::ballShell(kSphere, outputPath);
}
int sphereManual(const char* outputPath) {
    return hbx::ballManual(kSphere, outputPath);
}
int sphereCreateOBJ(const char* inputPath, const char* outputPath) {
    return hbx::ballCreateOBJ(kSphere, inputPath, outputPath);
}

} // namespace hbx3
