#include "proxy_create_obj.h"

#include "console.h"

namespace hbx2 {

int proxyCreateOBJ(const char*, const char*) {
    hbx::say("Error: 2D proxies cannot be built from files yet\n");
    return 0;
}

} // namespace hbx2
