#pragma once

#include <QString>

#include <memory>

namespace betakit {

// An update in flight, from its download to the end of its swap script, in this process or any
// other of this user: it holds a shared lock on the temporary folder, so that a search for
// leftovers, which needs the lock alone, never takes what a running update still works with.
class UpdateLock {
public:
    // A hold on the temporary folder `temporary`. Waits only while a search for leftovers lists
    // them. None when the folder can't be opened.
    static std::unique_ptr<UpdateLock> hold(const QString& temporary);
    ~UpdateLock();
    UpdateLock(const UpdateLock&) = delete;
    UpdateLock& operator=(const UpdateLock&) = delete;

    // Handed to a child process, the lock lasts while the child (or a child of its) keeps it open.
    int descriptor() const { return m_fd; }

private:
    explicit UpdateLock(int fd) : m_fd(fd) {}
    int m_fd;
};

// Removes what earlier updates left behind, when no update is in flight: an archive, swap script
// or script helper folder ("beta-update-<UUID>.zip", ".sh", ".bin") in the temporary folder, and a
// hidden staging folder (".<app name>-update-<8 characters>") beside `target`, each only when it is
// this user's, is what its name says (a file or a folder, no link) and was there before the search
// began. False when an update was in flight, so nothing was looked at. `temporary` is the
// temporary folder updates work in.
bool removeUpdateLeftovers(const QString& temporary, const QString& target);

} // namespace betakit
