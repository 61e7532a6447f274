#include "shapes/proxy_template2d.h"

#include "shapes/proxy_template.h"

namespace hbx2 {
namespace {
constexpr hbx::ProxyTemplate kProxy2D{
    hbx::Tool::TwoD,
    "v<CHAR \"type\"> <FLOAT \"x pos\"> <FLOAT \"y pos\"> "
    "<FLOAT \"x safe\"> <FLOAT \"y safe\">\n"
    "e<CHAR \"type\"> <INT \"vtx 1\"> <INT \"vtx 2\"> "
    "<FLOAT \"x vect\"> <FLOAT \"y vect\"> "
    "<FLOAT \"x norm\"> <FLOAT \"y norm\"> <INT \"patch\">\n"
    "centre <FLOAT \"x centre\"> <FLOAT \"y centre\">\n",
    true,
    "\nYou want to make a proxy collision shape by hand?\n"
    "I appreciate your enthusiasm, but I seriously don't recomend it.\n\n",
};
} // namespace

int proxyShell(const char* outputPath) {
    return hbx::proxyTemplateShell(kProxy2D, outputPath);
}
int proxyManual(const char* outputPath) {
    return hbx::proxyTemplateManual(kProxy2D, outputPath);
}

} // namespace hbx2
