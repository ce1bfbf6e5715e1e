// A TLS server context with a certificate made on the spot: self-signed, for the
// name and address 127.0.0.1, valid from an hour ago for a day.
#pragma once

#include <openssl/ssl.h>

// Null when OpenSSL could not make the key, the certificate or the context.
// The caller frees the context with SSL_CTX_free.
SSL_CTX* make_self_signed_server_context();
