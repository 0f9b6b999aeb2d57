#include "DemoAccounts.h"

#include "AccountStore.h"
#include "OrgStore.h"

void DemoAccounts::seed(AccountStore &accounts, OrgStore &orgs,
                        const QList<ServerOptions::UserSeed> &users)
{
    const UserRecord demo = accounts.ensureAccount(QString::fromUtf16(demoSlug),
                                                   u"Demo Director"_qs, u"demo@slatebox.test"_qs);
    orgs.ensureTeam(QString::fromUtf16(teamSlug), u"Harbour Pictures"_qs, demo.id);
    for (const auto &seed : users) {
        // Accounts made for tests have no name or e-mail, like a fresh sign-up without them.
        const UserRecord user = accounts.ensureAccount(seed.slug, std::nullopt, std::nullopt);
        accounts.addToken(user.id, seed.token);
    }
}
