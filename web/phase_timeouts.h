// The time limits of one HTTP exchange, phase by phase.
#pragma once

// Milliseconds; 0 means no limit. Resolve and connect run once from the start
// (connect includes the TLS handshake); send and receive are idle limits: they
// count from the last byte that went out or came in.
struct PhaseTimeouts {
    int resolve_ms = 0;
    int connect_ms = 60000;
    int send_ms = 30000;
    int receive_ms = 30000;
};
