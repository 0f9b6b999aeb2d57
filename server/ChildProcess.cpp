#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Pipe {
    int read = -1;
    int write = -1;
};

bool makePipe(Pipe &pipe)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    pipe.read = fds[0];
    pipe.write = fds[1];
    return true;
}

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// argv/envp as NUL-terminated C strings, built before fork(): the child may only make
// async-signal-safe calls.
class CStrings {
public:
    explicit CStrings(const QStringList &items)
    {
        for (const QString &item : items)
            m_storage.push_back(item.toLocal8Bit());
        for (auto &bytes : m_storage)
            m_pointers.push_back(bytes.data());
        m_pointers.push_back(nullptr);
    }
    char *const *data() { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_storage;
    std::vector<char *> m_pointers;
};

[[noreturn]] void execChild(const Pipe &in, const Pipe &out, const Pipe &err, const QByteArray &dir,
                            const char *program, char *const *argv, char *const *envp)
{
    ::dup2(in.read, STDIN_FILENO);
    ::dup2(out.write, STDOUT_FILENO);
    ::dup2(err.write, STDERR_FILENO);
    // The server ignores SIGPIPE and blocks its stop signals; the child gets the defaults back.
    ::signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (!dir.isEmpty() && ::chdir(dir.constData()) != 0)
        ::_exit(127);
    ::execve(program, argv, envp);
    ::_exit(127);
}

} // namespace

ChildProcess::Result ChildProcess::run(const QString &program, const QStringList &arguments,
                                       const QStringList &environment, const QString &workingDir,
                                       const QByteArray &input)
{
    Result result;
    Pipe in, out, err;
    if (!makePipe(in) || !makePipe(out) || !makePipe(err)) {
        result.error = QString::fromLocal8Bit(std::strerror(errno));
        for (int *fd : {&in.read, &in.write, &out.read, &out.write, &err.read, &err.write})
            closeFd(*fd);
        return result;
    }
    const QByteArray programPath = program.toLocal8Bit();
    CStrings argv(QStringList{program} + arguments);
    CStrings envp(environment);
    const QByteArray dir = workingDir.toLocal8Bit();

    const pid_t pid = ::fork();
    if (pid == 0)
        execChild(in, out, err, dir, programPath.constData(), argv.data(), envp.data());
    closeFd(in.read);
    closeFd(out.write);
    closeFd(err.write);
    if (pid < 0) {
        result.error = QString::fromLocal8Bit(std::strerror(errno));
        closeFd(in.write);
        closeFd(out.read);
        closeFd(err.read);
        return result;
    }
    result.started = true;

    qsizetype written = 0;
    if (input.isEmpty())
        closeFd(in.write);
    else
        ::fcntl(in.write, F_SETFL, O_NONBLOCK);
    char buffer[65536];
    while (out.read >= 0 || err.read >= 0) {
        pollfd fds[3];
        int count = 0;
        auto watch = [&](int fd, short events) {
            if (fd >= 0)
                fds[count++] = pollfd{fd, events, 0};
        };
        watch(out.read, POLLIN);
        watch(err.read, POLLIN);
        watch(in.write, POLLOUT);
        if (::poll(fds, nfds_t(count), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < count; ++i) {
            if (fds[i].revents == 0)
                continue;
            if (fds[i].fd == in.write) {
                const ssize_t n =
                    ::write(in.write, input.constData() + written, size_t(input.size() - written));
                if (n > 0)
                    written += n;
                if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == input.size())
                    closeFd(in.write); // done, or the child stopped reading (EPIPE)
                continue;
            }
            int &fd = fds[i].fd == out.read ? out.read : err.read;
            QByteArray &sink = fds[i].fd == out.read ? result.out : result.err;
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                sink.append(buffer, n);
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                closeFd(fd);
        }
    }
    closeFd(in.write);
    closeFd(out.read);
    closeFd(err.read);

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (result.exitCode == 127 && result.out.isEmpty() && result.err.isEmpty())
        result.error = u"could not run "_qs + program;
    return result;
}
