// Startover: started by zymclient when it logs off or restarts. It waits until that
// process has ended (so the new instance is not taken for a second one) and then starts
// zymclient again from its own folder. Usage: Startover exe [pid]
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Blocks until the process has ended, without polling: a pidfd becomes readable at exit.
void WaitForExit(pid_t pid)
{
    if (pid <= 0)
        return;
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0)
        return; // already gone (ESRCH) or the kernel has no pidfd: start at once
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
    }
    ::close(fd);
}

std::string OwnFolder()
{
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    std::string self(path, static_cast<std::size_t>(n));
    return self.substr(0, self.find_last_of('/'));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3)
        WaitForExit(static_cast<pid_t>(std::strtol(argv[2], nullptr, 10)));
    const std::string program = OwnFolder() + "/zymclient";
    ::setsid();
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    std::perror("Startover: cannot start zymclient");
    return 1;
}
