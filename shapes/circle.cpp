#include "shapes/circle.h"

#include "shapes/ball_writers.h"

namespace hbx2 {
namespace {
constexpr hbx::BallShape kCircle{
    .tool = hbx::Tool::TwoD,
    .typeCode = "CR",
    .axes = 2,
    .shellRecords = "radius <FLOAT \"radius\">\n"
                    "centre <FLOAT \"x centre\"> <FLOAT \"y centre\">\n",
    .shellOpenMessageEndsLine = true,
    .fitOpenMessagesEndLine = true,
};
} // namespace

int circleShell(const char* outputPath) {
    return hbx::ballShell(kCircle, outputPath);
}
int circleManual(const char* outputPath) {
    return hbx::ballManual(kCircle, outputPath);
}
int circleCreateOBJ(const char* inputPath, const char* outputPath) {
    return hbx::ballCreateOBJ(kCircle, inputPath, outputPath);
}

} // namespace hbx2
