#pragma once

#include <chrono>

class QNetworkAccessManager;

// The second network manager of the process, used only by streamed agent turns so a long turn
// never queues behind (or ahead of) the ordinary API calls, with the limits of such a turn.
namespace StreamingNetwork {

struct Timeouts {
    // Longest wait for more bytes of an answer.
    std::chrono::milliseconds idle = std::chrono::seconds(600);
    // Longest whole turn, from sending the request to the last byte.
    std::chrono::milliseconds turn = std::chrono::seconds(3600);
};

// Created on first use, owned by the application object.
QNetworkAccessManager *manager();
// Replaces the streaming manager until called again with nullptr; the caller keeps ownership.
void setManager(QNetworkAccessManager *manager);

Timeouts timeouts();
// For tests, which cannot wait ten minutes for an idle stream to fail.
void setTimeouts(Timeouts timeouts);

} // namespace StreamingNetwork
