#include "core/project/ProjectLoader.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QStringDecoder>

#include "core/git/GitError.h"
#include "core/project/DeliverableRef.h"
#include "core/project/ShowYaml.h"
#include "core/project/SidebarBuilder.h"

namespace ProjectLoader {

namespace {

enum class EntryKind { File, Folder, Skip };

struct Entry {
    QByteArray name; // valid UTF-8, never hidden
    QString displayedName;
    EntryKind kind = EntryKind::Skip;
    QByteArray target; // what to open: the entry itself, or a link's resolved target
};

struct DirCloser {
    void operator()(DIR *dir) const { ::closedir(dir); }
};

std::optional<QByteArray> canonicalPath(const QByteArray &path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.constData(), nullptr),
                                                         &std::free);
    if (!resolved)
        return std::nullopt;
    return QByteArray(resolved.get());
}

bool isBinaryName(QStringView name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0)
        return false;
    return binaryExtensions().contains(name.mid(dot + 1).toString().toLower());
}

// One pass over one clone: the canonical root that every link must stay inside, and one read
// buffer and decoder reused for every file.
class CloneReader {
public:
    explicit CloneReader(const QString &root)
        : m_rootPath(QFile::encodeName(root))
        , m_decoder(QStringDecoder::Utf8,
                    QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom)
    {
        if (const auto canonical = canonicalPath(m_rootPath))
            m_canonicalRoot = *canonical;
        m_buffer.resize(256 * 1024);
    }

    bool isUsable() const { return !m_canonicalRoot.isEmpty(); }

    bool isInside(const QByteArray &canonical) const
    {
        if (m_canonicalRoot == "/")
            return true;
        return canonical == m_canonicalRoot || (canonical.startsWith(m_canonicalRoot) &&
                                                canonical.at(m_canonicalRoot.size()) == '/');
    }

    // `dir` below the root with its links resolved, or nothing when it is missing or leads
    // outside the clone. Folders are checked one component at a time, so the usual case of
    // plain folders costs one lstat each and realpath runs only where a link or ".." is met.
    std::optional<QByteArray> resolveDir(const QString &dir) const
    {
        if (!isUsable())
            return std::nullopt;
        const QByteArray relative = QFile::encodeName(dir);
        QByteArray path = m_canonicalRoot == "/" ? QByteArray() : m_canonicalRoot;
        for (const QByteArray &part : relative.split('/')) {
            if (part.isEmpty())
                continue;
            const QByteArray next = path + '/' + part;
            struct stat info;
            if (part == "." || part == ".." || ::lstat(next.constData(), &info) != 0 ||
                !S_ISDIR(info.st_mode))
                return resolvedDirInside(m_rootPath + '/' + relative);
            path = next;
        }
        return path.isEmpty() ? QByteArray("/") : path;
    }

    // The non-hidden entries of a folder, sorted by name bytes (UTF-8 byte order is code-point
    // order), each with its kind from the listing; links are resolved here.
    std::vector<Entry> list(const QByteArray &dirPath)
    {
        std::vector<Entry> entries;
        std::unique_ptr<DIR, DirCloser> dir(::opendir(dirPath.constData()));
        if (!dir)
            return entries;
        while (const dirent *item = ::readdir(dir.get())) {
            if (item->d_name[0] == '.')
                continue;
            Entry entry;
            entry.name = QByteArray(item->d_name);
            // A name that is not UTF-8 cannot become a project path.
            entry.displayedName = decode(entry.name);
            if (m_decoder.hasError()) {
                m_decoder.resetState();
                continue;
            }
            entry.target = dirPath + '/' + entry.name;
            entry.kind = kindOf(entry.target, item->d_type);
            if (entry.kind != EntryKind::Skip)
                entries.push_back(std::move(entry));
        }
        std::sort(entries.begin(), entries.end(),
                  [](const Entry &a, const Entry &b) { return a.name < b.name; });
        return entries;
    }

    // Reads and decodes one file whose path holds no link; nothing when unreadable or not UTF-8.
    std::optional<QString> readText(const QByteArray &path)
    {
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            return std::nullopt;
        qsizetype total = 0;
        bool failed = false;
        for (;;) {
            if (total == m_buffer.size())
                m_buffer.resize(m_buffer.size() * 2);
            const qsizetype wanted = m_buffer.size() - total;
            const ssize_t count = ::read(fd, m_buffer.data() + total, size_t(wanted));
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0) {
                failed = count < 0;
                break;
            }
            total += count;
            // A regular file reads short only at its end: this saves a second read per file.
            if (count < wanted)
                break;
        }
        ::close(fd);
        if (failed)
            return std::nullopt;
        QString text = decode(QByteArrayView(m_buffer.constData(), total));
        if (m_decoder.hasError()) {
            m_decoder.resetState();
            return std::nullopt;
        }
        return text;
    }

    // `path` relative to the root, read only when it resolves to a file inside the clone.
    std::optional<QString> readRelative(const QString &path)
    {
        if (!isUsable())
            return std::nullopt;
        const auto canonical = canonicalPath(m_rootPath + '/' + QFile::encodeName(path));
        if (!canonical || !isInside(*canonical))
            return std::nullopt;
        struct stat info;
        if (::stat(canonical->constData(), &info) != 0 || !S_ISREG(info.st_mode))
            return std::nullopt;
        return readText(*canonical);
    }

    std::optional<QByteArray> resolvedDirInside(const QByteArray &path) const
    {
        const auto canonical = canonicalPath(path);
        struct stat info;
        if (!canonical || !isInside(*canonical) || ::stat(canonical->constData(), &info) != 0 ||
            !S_ISDIR(info.st_mode))
            return std::nullopt;
        return canonical;
    }

    bool containsLinkTarget(const QByteArray &path) const
    {
        const auto canonical = canonicalPath(path);
        return canonical && isInside(*canonical);
    }

private:
    QString decode(QByteArrayView bytes) { return m_decoder.decode(bytes); }

    // Plain files and folders come straight from the listing. A link counts only when it
    // resolves inside the clone, and only to a file: following folder links could loop.
    EntryKind kindOf(QByteArray &path, unsigned char type) const
    {
        if (type == DT_REG)
            return EntryKind::File;
        if (type == DT_DIR)
            return EntryKind::Folder;
        if (type != DT_LNK && type != DT_UNKNOWN)
            return EntryKind::Skip;
        struct stat info;
        if (::lstat(path.constData(), &info) != 0)
            return EntryKind::Skip;
        if (S_ISREG(info.st_mode))
            return EntryKind::File;
        if (S_ISDIR(info.st_mode))
            return EntryKind::Folder;
        if (!S_ISLNK(info.st_mode))
            return EntryKind::Skip;
        const auto canonical = canonicalPath(path);
        if (!canonical || !isInside(*canonical))
            return EntryKind::Skip;
        if (::stat(canonical->constData(), &info) != 0 || !S_ISREG(info.st_mode))
            return EntryKind::Skip;
        path = *canonical;
        return EntryKind::File;
    }

    QByteArray m_rootPath;
    QByteArray m_canonicalRoot; // empty when the root cannot be resolved
    QByteArray m_buffer;
    QStringDecoder m_decoder;
};

std::optional<ProjectFile> looseFile(CloneReader &reader, const Entry &entry, QString path)
{
    if (isBinaryName(entry.displayedName))
        return ProjectFile(std::move(path), entry.displayedName, QString(), {}, std::nullopt, true);
    std::optional<QString> text = reader.readText(entry.target);
    if (!text)
        return std::nullopt;
    return ProjectFile(std::move(path), entry.displayedName, std::move(*text));
}

// Files below `dirPath`, with their paths relative to the folder being walked.
struct FoundFile {
    QByteArray relative;
    const Entry *entry;
};

void walk(CloneReader &reader, const QByteArray &dirPath, const QByteArray &relative,
          std::vector<std::unique_ptr<std::vector<Entry>>> &listings, std::vector<FoundFile> &found)
{
    listings.push_back(std::make_unique<std::vector<Entry>>(reader.list(dirPath)));
    const std::vector<Entry> &entries = *listings.back();
    for (const Entry &entry : entries) {
        const QByteArray entryRelative =
            relative.isEmpty() ? entry.name : relative + '/' + entry.name;
        if (entry.kind == EntryKind::Folder)
            walk(reader, entry.target, entryRelative, listings, found);
        else
            found.push_back(FoundFile{entryRelative, &entry});
    }
}

QList<ProjectFile> filesInDirectory(CloneReader &reader, const QString &dir)
{
    const auto base = reader.resolveDir(dir);
    if (!base)
        return {};
    std::vector<std::unique_ptr<std::vector<Entry>>> listings;
    std::vector<FoundFile> found;
    walk(reader, *base, QByteArray(), listings, found);
    std::sort(found.begin(), found.end(),
              [](const FoundFile &a, const FoundFile &b) { return a.relative < b.relative; });

    const QString prefix = dir + u'/';
    QList<ProjectFile> files;
    files.reserve(qsizetype(found.size()));
    for (const FoundFile &item : found) {
        if (auto file = looseFile(reader, *item.entry, prefix + QString::fromUtf8(item.relative)))
            files.append(std::move(*file));
    }
    return files;
}

QList<ProjectFile> nestedFilesAt(CloneReader &reader, const QByteArray &dirPath, const QString &dir)
{
    QList<ProjectFile> files;
    // Entries come sorted by name and share the prefix, so they are already in path order.
    for (const Entry &entry : reader.list(dirPath)) {
        QString path = dir + u'/' + entry.displayedName;
        if (entry.kind == EntryKind::Folder) {
            QList<ProjectFile> children = nestedFilesAt(reader, entry.target, path);
            files.append(ProjectFile(std::move(path), displayName(entry.displayedName), QString(),
                                     std::move(children)));
        } else if (auto file = looseFile(reader, entry, std::move(path))) {
            files.append(std::move(*file));
        }
    }
    return files;
}

QList<ProjectFile> folderGroups(CloneReader &reader, const QString &dir)
{
    const auto base = reader.resolveDir(dir);
    if (!base)
        return {};
    QList<ProjectFile> groups;
    QList<ProjectFile> loose;
    for (const Entry &entry : reader.list(*base)) {
        QString path = dir + u'/' + entry.displayedName;
        if (entry.kind == EntryKind::Folder) {
            QList<ProjectFile> children = nestedFilesAt(reader, entry.target, path);
            groups.append(ProjectFile(std::move(path), displayName(entry.displayedName), QString(),
                                      std::move(children)));
        } else if (auto file = looseFile(reader, entry, std::move(path))) {
            loose.append(std::move(*file));
        }
    }
    return groups + loose;
}

std::optional<ProjectFile> fileAt(CloneReader &reader, const QString &path)
{
    std::optional<QString> text = reader.readRelative(path);
    if (!text)
        return std::nullopt;
    return ProjectFile(path, std::nullopt, std::move(*text));
}

const QString manifestName = QStringLiteral("slatebox.yaml");
const QString lockName = QStringLiteral("slatebox.lock");

// `manifest` is the manifest's text when the caller has read it already.
QList<ProjectFile> rootFiles(CloneReader &reader, const QString &root,
                             const std::optional<QString> &manifest)
{
    QList<ProjectFile> files;
    if (manifest)
        files.append(ProjectFile(manifestName, std::nullopt, *manifest));
    else if (auto file = fileAt(reader, manifestName))
        files.append(std::move(*file));
    if (auto lock = fileAt(reader, lockName))
        files.append(std::move(*lock));

    for (const Entry &entry : reader.list(QFile::encodeName(root))) {
        if (entry.kind != EntryKind::File || entry.displayedName == manifestName ||
            entry.displayedName == lockName)
            continue;
        if (std::optional<QString> text = reader.readText(entry.target))
            files.append(ProjectFile(entry.displayedName, entry.displayedName, std::move(*text)));
    }
    return files;
}

QString readManifest(const QString &root, CloneReader &reader)
{
    const QString reason = QStringLiteral("slatebox.yaml could not be read: ");
    QFile file(root + u'/' + manifestName);
    if (!file.open(QIODevice::ReadOnly))
        throw GitError(reason + file.errorString());
    if (!reader.containsLinkTarget(QFile::encodeName(file.fileName())))
        throw GitError(reason + QStringLiteral("it links to a file outside the project folder"));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw GitError(reason + file.errorString());
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw GitError(reason + QStringLiteral("it is not UTF-8 text"));
    return text;
}

// Only a plain folder name keeps "deliverables/<slug>" inside the deliverables folder.
bool isFolderName(const QString &slug)
{
    return !slug.isEmpty() && slug != u"." && slug != u".." && !slug.contains(u'/') &&
           !slug.contains(u'\\') && !slug.contains(QChar(u'\0'));
}

std::optional<QString> openingTab(const QList<DeliverableRef> &deliverables)
{
    for (const DeliverableRef &deliverable : deliverables) {
        for (const ProjectFile &file : deliverable.files) {
            if (file.path.endsWith(u"script.fountain"))
                return file.path;
        }
    }
    return std::nullopt;
}

} // namespace

LoadedProject read(const QString &root, const QString &org, const QString &slug)
{
    CloneReader reader(root);
    const QString manifestText = readManifest(root, reader);
    const ShowManifest manifest = ShowYaml::parse(manifestText);

    const QList<ProjectFile> sources = rootFiles(reader, root, manifestText);
    const QList<ProjectFile> bible = filesInDirectory(reader, QStringLiteral("bible"));
    const QList<ProjectFile> characters = folderGroups(reader, QStringLiteral("characters"));
    const QList<ProjectFile> locations = folderGroups(reader, QStringLiteral("locations"));
    const QList<ProjectFile> rules = filesInDirectory(reader, QStringLiteral(".slatebox/rules"));
    const QList<ProjectFile> skills = filesInDirectory(reader, QStringLiteral(".slatebox/skills"));
    const std::optional<ProjectFile> scorecard =
        fileAt(reader, QStringLiteral(".slatebox/scorecard.yaml"));

    QList<DeliverableRef> deliverables;
    deliverables.reserve(manifest.deliverables.size());
    for (const ShowManifest::Entry &entry : manifest.deliverables) {
        QList<ProjectFile> files;
        if (isFolderName(entry.slug))
            files = filesInDirectory(reader, QStringLiteral("deliverables/") + entry.slug);
        deliverables.append(DeliverableRef{entry.slug, entry.kind, entry.title, entry.season,
                                           entry.number, std::move(files)});
    }

    LoadedProject project;
    project.title = manifest.title;
    project.type = manifest.type;
    project.org = org;
    project.slug = slug;
    project.openingTab = openingTab(deliverables);
    project.sections = SidebarBuilder::sections(manifest.type, sources, bible, characters,
                                                locations, deliverables, rules, skills, scorecard);
    project.files = ProjectTree::index(project.sections);
    project.loadedContents.reserve(project.files.size());
    for (const ProjectFile &node : std::as_const(project.files)) {
        if (!node.isGroup())
            project.loadedContents.insert(node.path, node.contents);
    }
    project.localURL = root;
    return project;
}

QList<ProjectFile> rootFiles(const QString &root)
{
    CloneReader reader(root);
    return rootFiles(reader, root, std::nullopt);
}

QList<ProjectFile> filesInDirectory(const QString &dir, const QString &root)
{
    CloneReader reader(root);
    return filesInDirectory(reader, dir);
}

QList<ProjectFile> folderGroups(const QString &dir, const QString &root)
{
    CloneReader reader(root);
    return folderGroups(reader, dir);
}

QList<ProjectFile> nestedFiles(const QString &dir, const QString &root)
{
    CloneReader reader(root);
    const auto base = reader.resolveDir(dir);
    if (!base)
        return {};
    return nestedFilesAt(reader, *base, dir);
}

std::optional<ProjectFile> file(const QString &path, const QString &root)
{
    CloneReader reader(root);
    return fileAt(reader, path);
}

bool isBinaryFile(const QString &filePath)
{
    return isBinaryName(QStringView(filePath).mid(filePath.lastIndexOf(u'/') + 1));
}

QString displayName(QStringView name)
{
    QStringList words;
    for (QStringView piece : name.tokenize(u'-', Qt::SkipEmptyParts)) {
        const qsizetype firstLength = piece.first().isHighSurrogate() && piece.size() > 1 ? 2 : 1;
        words.append(piece.first(firstLength).toString().toUpper() +
                     piece.mid(firstLength).toString().toLower());
    }
    return words.join(u' ');
}

const QSet<QString> &binaryExtensions()
{
    static const QSet<QString> extensions{
        QStringLiteral("png"),  QStringLiteral("jpg"),  QStringLiteral("jpeg"),
        QStringLiteral("webp"), QStringLiteral("gif"),  QStringLiteral("heic"),
        QStringLiteral("heif"), QStringLiteral("tiff"), QStringLiteral("bmp"),
        QStringLiteral("mp3"),  QStringLiteral("wav"),  QStringLiteral("m4a"),
        QStringLiteral("aac")};
    return extensions;
}

} // namespace ProjectLoader
