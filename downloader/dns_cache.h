#pragma once
// The system's own cache of name-resolution answers.

namespace ns_PLX {

// Drops the cached answers so that the next resolution asks the servers again.
// Windows: the DNS client's resolver cache (the library is loaded from the system
// folder; a missing library or entry point is skipped). POSIX: nothing to do, because the
// C library keeps no answers inside the process and a machine-wide cache belongs to
// the administrator, not to one program.
void FlushSystemDnsCache() noexcept;

}  // namespace ns_PLX
