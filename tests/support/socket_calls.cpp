#include "socket_calls.h"

#include <cstddef>
#include <mutex>

#ifdef _WIN32

namespace {

void start_winsock_once()
{
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    });
}

}  // namespace

int open_stream_socket()
{
    start_winsock_once();
    const SOCKET fd = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                 WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    return fd == INVALID_SOCKET ? -1 : static_cast<int>(fd);
}

int accept_connection(int listener)
{
    const SOCKET fd = accept(static_cast<SOCKET>(listener), nullptr, nullptr);
    return fd == INVALID_SOCKET ? -1 : static_cast<int>(fd);
}

void close_socket(int fd)
{
    closesocket(static_cast<SOCKET>(fd));
}

int wait_for_socket(int fd, short events, int timeout_ms)
{
    WSAPOLLFD poll_fd{static_cast<SOCKET>(fd), events, 0};
    return WSAPoll(&poll_fd, 1, timeout_ms);
}

long receive_bytes(int fd, char* buffer, std::size_t size)
{
    return recv(static_cast<SOCKET>(fd), buffer, static_cast<int>(size), 0);
}

long send_bytes(int fd, const char* data, std::size_t size)
{
    return send(static_cast<SOCKET>(fd), data, static_cast<int>(size), 0);
}

bool failed_for_now()
{
    const int error = WSAGetLastError();
    return error == WSAEINTR || error == WSAEWOULDBLOCK;
}

void set_socket_option(int fd, int level, int name, const void* value, int size)
{
    setsockopt(static_cast<SOCKET>(fd), level, name, static_cast<const char*>(value), size);
}

void set_blocking_limits(int fd, int milliseconds)
{
    const DWORD limit = static_cast<DWORD>(milliseconds);
    set_socket_option(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    set_socket_option(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

void end_sending(int fd)
{
    shutdown(static_cast<SOCKET>(fd), SD_SEND);
}

#else

int open_stream_socket()
{
    return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
}

int accept_connection(int listener)
{
    return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

void close_socket(int fd)
{
    close(fd);
}

int wait_for_socket(int fd, short events, int timeout_ms)
{
    pollfd poll_fd{fd, events, 0};
    return poll(&poll_fd, 1, timeout_ms);
}

long receive_bytes(int fd, char* buffer, std::size_t size)
{
    return static_cast<long>(recv(fd, buffer, size, 0));
}

long send_bytes(int fd, const char* data, std::size_t size)
{
    return static_cast<long>(send(fd, data, size, MSG_NOSIGNAL));
}

bool failed_for_now()
{
    return errno == EINTR || errno == EAGAIN;
}

void set_socket_option(int fd, int level, int name, const void* value, int size)
{
    setsockopt(fd, level, name, value, static_cast<socklen_t>(size));
}

void set_blocking_limits(int fd, int milliseconds)
{
    const timeval limit{milliseconds / 1000, (milliseconds % 1000) * 1000};
    set_socket_option(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    set_socket_option(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

void end_sending(int fd)
{
    shutdown(fd, SHUT_WR);
}

#endif
