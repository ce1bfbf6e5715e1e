// The time limits of one HTTP exchange, phase by phase, and the limit on the
// exchange as a whole that follows from them.
#pragma once

// Milliseconds; 0 means no limit. Resolve and connect run once from the start
// (connect includes the TLS handshake); send and receive are idle limits: they
// count from the last byte that went out or came in.
struct PhaseTimeouts {
    int resolve_ms = 0;
    int connect_ms = 60000;
    int send_ms = 30000;
    int receive_ms = 30000;

    // Idle limits alone let a server that sends one byte now and then hold the
    // exchange for ever. So once the first connection stands, the rest of the
    // exchange (sending, every redirect, the whole response) may last at most
    // send + 2 x receive: one full allowance to send, one to wait for the answer
    // to start, and one more for the rest of it to come in. A sound server's page
    // comes in well inside that; resolving and connecting already have fixed
    // limits of their own and are not charged again. 0 (no limit) when sending or
    // receiving has none: the caller asked to wait as long as it takes.
    long long whole_exchange_ms() const
    {
        if (send_ms <= 0 || receive_ms <= 0) return 0;
        return static_cast<long long>(send_ms) + 2LL * receive_ms;
    }
};
