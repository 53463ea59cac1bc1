#pragma once

// File permissions do not bind root, and CI runs the tests as root. A case about a file or
// folder that may not be read or written runs its work through runUnprivileged, which takes the
// user "nobody" when this process is root and the test's own user otherwise.

#include <QString>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace unprivileged {

// nobody and nogroup on Debian, should the user database not name them.
inline constexpr uid_t kFallbackUid = 65534;
inline constexpr gid_t kFallbackGid = 65534;

} // namespace unprivileged

// Runs `work` on a thread of its own and waits for it. As root, the thread first takes nobody's
// user and group with no supplementary groups, through the raw system calls: the kernel keeps
// these per thread, and glibc's wrappers would change every thread of the test. The rest of the
// test keeps root's rights, and no file of the build needs to be readable by nobody. Files the
// work makes belong to nobody; make them inside the work (a QTemporaryDir under /tmp).
// Returns an empty string, or why the user could not be changed (the work did not run then).
template <typename Work> QString runUnprivileged(Work work)
{
    const bool root = ::geteuid() == 0;
    uid_t uid = unprivileged::kFallbackUid;
    gid_t gid = unprivileged::kFallbackGid;
    if (root) {
        if (const passwd *nobody = ::getpwnam("nobody")) {
            uid = nobody->pw_uid;
            gid = nobody->pw_gid;
        }
    }
    QString failure;
    std::thread thread([&] {
        if (root && (::syscall(SYS_setgroups, 0, nullptr) != 0 ||
                     ::syscall(SYS_setresgid, gid, gid, gid) != 0 ||
                     ::syscall(SYS_setresuid, uid, uid, uid) != 0)) {
            failure = QStringLiteral("cannot become user %1 on a thread: %2")
                          .arg(uid)
                          .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        work();
    });
    thread.join();
    return failure;
}
