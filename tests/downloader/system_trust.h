#pragma once

namespace orbtest {

// Whether the system's TLS layer checks a server's certificate against the system's roots
// by itself: OpenSSL with the system bundle and Windows' Schannel do; wine's Schannel
// leaves every check to the program (its own HTTP clients do them), so there a server
// signed by an unknown authority is accepted.
bool SystemChecksCertificates();

}  // namespace orbtest
