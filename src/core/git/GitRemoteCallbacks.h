#pragma once

#include <QString>

struct git_remote_callbacks;

// The callbacks of one network operation (clone, fetch, push). The device token is offered at
// most once per operation, as user "token", and only to a remote that cannot read it in clear;
// a second request means the token was refused, and the operation ends there without a prompt.
// A ref update the remote rejects during a push fails the push instead of passing unnoticed.
// Must outlive the library call it is installed for.
class GitRemoteCallbacks {
public:
    void install(git_remote_callbacks &callbacks);

    // Counts one credentials request of the library and returns the count so far.
    int countCredentialRequest() { return ++m_credentialRequests; }
    int credentialRequests() const { return m_credentialRequests; }

    // True for https, and for plain http only to this machine (localhost, 127.0.0.0/8, ::1).
    static bool mayReceiveToken(const QString &url);

private:
    int m_credentialRequests = 0;
};
