#pragma once
// libcurl's process-wide setup. The entry calls CurlGlobalInit() once before it starts
// any thread; every helper calls it again, which is then only a check. There is no
// matching cleanup: threads may still run transfers while the process ends.

namespace ns_PLX {

// True when libcurl is ready. The first call does the work (thread-safe, also when
// several threads race into it); a failure is logged once and sticks.
bool CurlGlobalInit();

}  // namespace ns_PLX
