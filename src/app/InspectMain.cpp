// Prints what a project window would show in its sidebar for one clone folder.

#include <cstdio>

#include <QString>
#include <QTextStream>

#include "core/UserFacingError.h"
#include "core/project/ProjectLoader.h"

namespace {

void printItem(QTextStream &out, const ProjectFile &item, int depth)
{
    out << QString(depth * 2, u' ');
    if (item.labelPrefix)
        out << *item.labelPrefix << u' ';
    out << item.name;
    if (item.isBinary)
        out << " (binary)";
    out << '\n';
    for (const ProjectFile &child : item.children)
        printItem(out, child, depth + 1);
}

void print(QTextStream &out, const LoadedProject &project)
{
    out << "Title: " << project.title << '\n';
    out << "Type: " << ProjectTypes::rawValue(project.type) << '\n';
    out << "Opening tab: " << project.openingTab.value_or(QStringLiteral("(none)")) << '\n';
    for (const SidebarSection &section : project.sections) {
        out << '\n' << section.title << '\n';
        if (section.items.isEmpty())
            out << "  (empty)\n";
        for (const ProjectFile &item : section.items)
            printItem(out, item, 1);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CLONE-FOLDER\n", argv[0]);
        return 2;
    }
    try {
        const LoadedProject project =
            ProjectLoader::read(QString::fromLocal8Bit(argv[1]), QString(), QString());
        QTextStream out(stdout);
        print(out, project);
    } catch (const UserFacingError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
