#pragma once

#include <QString>

// The HTML of the browser sign-in page. The form posts back to v1/auth/login with the sign-in's
// `client` and `challenge` and the account chosen.
namespace LoginPage {

QString signIn(const QString &client, const QString &challenge, const QString &suggestedAccount);
QString signUp(const QString &client, const QString &challenge);

} // namespace LoginPage
