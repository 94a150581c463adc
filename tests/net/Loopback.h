// Raw sockets on 127.0.0.1 for the tests' own peers and servers.
#pragma once

// A socket listening on 127.0.0.1 at a port the system picks (-1 when that
// fails); port receives the number.
int ListenOnLoopback(int backlog, int& port);
// A port on 127.0.0.1 that nobody listens on: taken from the system and
// given back at once.
int FreeLoopbackPort();
// True when a connection to 127.0.0.1:port is accepted.
bool LoopbackAccepts(int port);
