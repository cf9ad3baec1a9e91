#pragma once
// Where tests/net/test_server.py (started by the net_server CTest fixture) listens.
#include <cstdlib>
#include <fstream>
#include <string>

struct LoopbackServer {
    std::wstring host;         // plain HTTP on port 80, TLS with the test CA on 443
    std::wstring closed_host;  // a loopback address where nothing listens
    std::wstring untrusted;    // TLS on 443 with a self-signed certificate
    std::wstring legacy;       // TLS 1.0/1.1 only on 443 with the test CA's certificate; "-" if none
};

inline std::string loopback_server_file(const std::string& name) {
    const char* build = std::getenv("VELK_BINARY_DIR");
    return std::string("Z:") + (build ? build : "") + "/tests/net/test-server/" + name;
}

// Empty hosts when the server is not running.
inline const LoopbackServer& loopback_server() {
    static const LoopbackServer server = [] {
        std::ifstream in(loopback_server_file("address"));
        std::string lines[4];
        for (std::string& line : lines) in >> line;
        const auto wide = [](const std::string& s) { return std::wstring(s.begin(), s.end()); };
        return LoopbackServer{wide(lines[0]), wide(lines[1]), wide(lines[2]), wide(lines[3])};
    }();
    return server;
}
