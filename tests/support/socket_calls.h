// The few socket calls the loopback servers make, over POSIX sockets or Winsock,
// so the same servers run in the Linux and the Windows test programs. Sockets are
// ints on both: Winsock's handles fit in 32 bits.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

// A TCP socket, not inherited by child processes; -1 on failure.
int open_stream_socket();
int accept_connection(int listener);  // -1 on failure
void close_socket(int fd);

// Waits up to timeout_ms for the events (POLLIN, POLLOUT); > 0 ready, 0 not yet,
// < 0 failed.
int wait_for_socket(int fd, short events, int timeout_ms);

// Bytes moved (>= 0), or -1; sending never raises SIGPIPE.
long receive_bytes(int fd, char* buffer, std::size_t size);
long send_bytes(int fd, const char* data, std::size_t size);

// The last call failed only for now (interrupted, or nothing to read yet).
bool failed_for_now();

void set_socket_option(int fd, int level, int name, const void* value, int size);
// Limits each blocking read and write on the socket to the milliseconds.
void set_blocking_limits(int fd, int milliseconds);
void end_sending(int fd);
