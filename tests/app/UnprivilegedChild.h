#pragma once
// Running a test's body as an unprivileged user, so that file permissions apply although the
// tests may run as root.

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#include <functional>
#include <vector>

constexpr uid_t kNobody = 65534;  // the user that children become

// Runs body in a child process, as "nobody" when the tests run as root; besides its own
// group, the child is in the given groups only. Gives body's result.
inline int InUnprivilegedChild(const std::function<int()>& body,
                               const std::vector<gid_t>& groups = {}) {
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgroups(groups.size(), groups.data()) != 0 ||
                               setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(255);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
