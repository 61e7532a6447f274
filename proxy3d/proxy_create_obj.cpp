#include "proxy_create_obj.h"

#include "console.h"

namespace hbx3 {

int proxyCreateOBJ(const char*, const char*) {
    hbx::say("Error: 3D proxies cannot be built from files yet\n");
    return 0;
}

} // namespace hbx3
