#pragma once

// How a running copy of the program tells the simulator that it uses it: it opens a connection, asks
// for the lease path and keeps the connection open as long as it runs. The simulator answers the
// request head at once and then says nothing more on that connection.

inline constexpr char LeasePath[] = "/lease";
// The whole answer, byte for byte: its own header line, so that a server of another kind that
// answers every path with a page (and then closes) is never taken for the simulator.
inline constexpr char LeaseAnswer[] = "HTTP/1.1 200 OK\r\nQuorvel-Lease: held\r\n\r\n";
