// The Windows test programs have no TLS library (Debian packages none for
// mingw-w64), so their loopback servers speak plain HTTP only. These stand-ins
// let the server's code build there; with no context ever made, none is called.
#pragma once

struct SSL;
struct SSL_CTX;

inline constexpr int SSL_ERROR_WANT_READ = 2;
inline constexpr int SSL_ERROR_WANT_WRITE = 3;
inline constexpr int SSL_ERROR_ZERO_RETURN = 6;

inline SSL_CTX* make_self_signed_server_context()
{
    return nullptr;
}
inline SSL* SSL_new(SSL_CTX*)
{
    return nullptr;
}
inline void SSL_set_fd(SSL*, int) {}
inline int SSL_accept(SSL*)
{
    return -1;
}
inline int SSL_pending(const SSL*)
{
    return 0;
}
inline int SSL_read(SSL*, void*, int)
{
    return -1;
}
inline int SSL_write(SSL*, const void*, int)
{
    return -1;
}
inline int SSL_get_error(const SSL*, int)
{
    return 0;
}
inline int SSL_shutdown(SSL*)
{
    return -1;
}
inline void SSL_free(SSL*) {}
inline void SSL_CTX_free(SSL_CTX*) {}
inline void ERR_clear_error() {}
