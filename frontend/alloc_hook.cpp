#include "frontend/alloc_hook.h"

#include <string>

namespace hbx {
namespace {
std::string armedSite;
int armedSkip = -1;
} // namespace

void armAllocFailure(std::string_view site, int skip) {
    armedSite.assign(site);
    armedSkip = skip;
}

void disarmAllocFailure() {
    armedSite.clear();
    armedSkip = -1;
}

bool allocationFails(std::string_view site) {
    if (armedSkip < 0 || site != armedSite) return false;
    if (armedSkip > 0) {
        --armedSkip;
        return false;
    }
    disarmAllocFailure();
    return true;
}

bool allocationArmed(std::string_view site) {
    return armedSkip >= 0 && site == armedSite;
}

} // namespace hbx
