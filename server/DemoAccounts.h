#pragma once

#include <QList>

#include "ServerOptions.h"

class AccountStore;
class OrgStore;

// The accounts every data folder has: the demo account "demo" (Demo Director,
// demo@slatebox.test) with its personal organisation "demo" and the team organisation
// "harbour-pictures" (Harbour Pictures), plus the accounts asked for with --user.
namespace DemoAccounts {

inline constexpr char16_t demoSlug[] = u"demo";
inline constexpr char16_t teamSlug[] = u"harbour-pictures";

// Idempotent: a restart on the same data folder changes nothing that exists.
void seed(AccountStore &accounts, OrgStore &orgs, const QList<ServerOptions::UserSeed> &users);

} // namespace DemoAccounts
