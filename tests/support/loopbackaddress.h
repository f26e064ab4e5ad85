#pragma once

#include <cstdint>
#include <netinet/in.h>

// 127.0.0.1:port as the socket calls take it; port 0 lets the system choose.
inline sockaddr_in loopbackAddress(int port)
{
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}
