#pragma once
// Names the calling thread by its role, for debuggers and crash dumps.

namespace ns_PLX {

// Best effort: systems or versions without thread names are skipped silently.
// `role` is ASCII; POSIX keeps its first 15 characters.
void NameCurrentThread(const char* role) noexcept;

}  // namespace ns_PLX
