// Test seam for allocation failures.
//
// The builders report a failed allocation with a message of its own and an
// aborted file. Real allocation failures are hard to provoke, so tests can arm
// a named allocation site to fail; production code never arms anything and
// pays one branch per allocation.
#pragma once

#include <string_view>

namespace hbx {

// Makes the allocation at `site` fail after `skip` successful allocations at
// that site (skip 0: the next one fails). One site can be armed at a time.
void armAllocFailure(std::string_view site, int skip = 0);
void disarmAllocFailure();

// Called by the builders right before a named allocation. Returns true when
// this allocation must be treated as failed.
bool allocationFails(std::string_view site);

// True when a test has armed `site`. Lets a builder that serves many
// allocation sites with one structure (a token list per face line, say) skip
// calling allocationFails once per site when nothing is armed.
bool allocationArmed(std::string_view site);

} // namespace hbx
