#include "shapes/proxy_template3d.h"

#include "shapes/proxy_template.h"

namespace hbx3 {
namespace {
constexpr hbx::ProxyTemplate kProxy3D{
    hbx::Tool::ThreeD,
    "v<CHAR \"type\"> <FLOAT \"x pos\"> <FLOAT \"y pos\"> <FLOAT \"z pos\">\n"
    "e<CHAR \"type\"> <INT \"vtx 1\"> <INT \"vtx 2\"> "
    "<FLOAT \"x unit vect\"> <FLOAT \"y unit vect\"> <FLOAT \"z unit vect\">\n"
    "f<CHAR \"side\"> <INT \"vtx 1\"> <INT \"vtx 2\"> <INT \"vtx 3\"> "
    "<INT \"edg 1\"> <FLOAT \"edg1 efs norm x\"> <FLOAT \"edg1 efs norm y\"> <FLOAT \"edg1 efs "
    "norm z\"> "
    "<INT \"edg 2\"> <FLOAT \"edg2 efs norm x\"> <FLOAT \"edg2 efs norm y\"> <FLOAT \"edg2 efs "
    "norm z\"> "
    "<INT \"edg 3\"> <FLOAT \"edg3 efs norm x\"> <FLOAT \"edg3 efs norm y\"> <FLOAT \"edg3 efs "
    "norm z\"> "
    "<FLOAT \"x norm\"> <FLOAT \"y norm\"> <FLOAT \"z norm\"> <INT \"patch\">\n"
    "centre <FLOAT \"x centre\"> <FLOAT \"y centre\"> <FLOAT \"z centre\">\n",
    false,
    "\nYou want to create a 3D proxy collision shape by hand?\n"
    "I appreciate your enthusiasm, but dude, that just never going to work.\n\n",
};
} // namespace

int proxyShell(const char* outputPath) {
    return hbx::proxyTemplateShell(kProxy3D, outputPath);
}
int proxyManual(const char* outputPath) {
    return hbx::proxyTemplateManual(kProxy3D, outputPath);
}

} // namespace hbx3
