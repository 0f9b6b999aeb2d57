#include "LoginPage.h"

namespace {

QString page(const QString &title, const QString &body)
{
    return u"<!doctype html>\n<html><head><meta charset=\"utf-8\"><title>"_qs + title +
           u"</title><style>body{font-family:sans-serif;max-width:26em;margin:4em auto}"
           u"input,button{font-size:1em;margin:.3em 0;padding:.4em;width:100%}</style>"
           u"</head><body><h1>"_qs +
           title + u"</h1>\n"_qs + body + u"</body></html>\n"_qs;
}

QString hiddenFields(const QString &client, const QString &challenge)
{
    return u"<input type=\"hidden\" name=\"client\" value=\""_qs + client.toHtmlEscaped() +
           u"\"><input type=\"hidden\" name=\"challenge\" value=\""_qs + challenge.toHtmlEscaped() +
           u"\">"_qs;
}

} // namespace

QString LoginPage::signIn(const QString &client, const QString &challenge,
                          const QString &suggestedAccount)
{
    return page(u"Sign in to Slatebox"_qs,
                u"<form method=\"post\" action=\"/v1/auth/login\">"_qs +
                    hiddenFields(client, challenge) +
                    u"<label>Account <input name=\"account\" value=\""_qs +
                    suggestedAccount.toHtmlEscaped() +
                    u"\" autofocus></label><button type=\"submit\">Continue as "_qs +
                    suggestedAccount.toHtmlEscaped() + u"</button></form>\n"_qs);
}

QString LoginPage::signUp(const QString &client, const QString &challenge)
{
    return page(u"Create a Slatebox account"_qs,
                u"<form method=\"post\" action=\"/v1/auth/login\">"_qs +
                    hiddenFields(client, challenge) +
                    u"<input type=\"hidden\" name=\"sign_up\" value=\"1\">"
                    u"<label>Handle <input name=\"account\" placeholder=\"lower-case, digits, "
                    u"hyphens\" autofocus></label><label>Name <input name=\"name\"></label>"
                    u"<label>E-mail <input name=\"email\"></label>"
                    u"<button type=\"submit\">Create account</button></form>\n"_qs);
}
