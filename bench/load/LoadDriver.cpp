// Loads one clone with the project loader, as a project window does when it opens.

#include <cstdio>

#include "core/UserFacingError.h"
#include "core/project/ProjectLoader.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CLONE-FOLDER\n", argv[0]);
        return 2;
    }
    try {
        const LoadedProject project = ProjectLoader::read(
            QString::fromLocal8Bit(argv[1]), QStringLiteral("bench"), QStringLiteral("load"));
        std::printf("%lld nodes\n", static_cast<long long>(project.files.size()));
    } catch (const UserFacingError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
