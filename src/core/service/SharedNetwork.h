#pragma once

class QNetworkAccessManager;

// The one network manager of the process for whole-body API calls and media downloads. It lives
// on the UI thread; tests may put their own in its place.
namespace SharedNetwork {

// Created on first use, owned by the application object (or by the process when there is none).
QNetworkAccessManager *manager();
// Replaces the shared manager until called again with nullptr; the caller keeps ownership.
void setManager(QNetworkAccessManager *manager);

} // namespace SharedNetwork
