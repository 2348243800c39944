// mv <source> <destination>: the moves of the swap script, which finds this `mv` first on its PATH.
// A folder is moved as rename(2) moves it (never across file systems, never into a folder). With
// BETAKIT_TARGET naming the application folder and BETAKIT_STAGED the staged build, the script's
// first move (the application folder aside) replaces the application folder whole: the two folders
// are exchanged in one step where the file system can, so that folder never goes missing, and the
// old build then goes to <destination>; where it cannot, the two renames follow each other at once,
// and the old build goes back when the second fails. The script's second move (the staged build in)
// then finds it in place and succeeds. Exit status: 0 moved; 1 not moved (nothing changed); 2 wrong
// arguments.
//
// For tests of a swap stopped half way: BETAKIT_TEST_SWAP_PAUSE names a file that gets this process's
// id before it stops itself between the two steps, and BETAKIT_TEST_NO_EXCHANGE makes it move as on a
// file system that cannot exchange.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool exists(const char* path) {
    struct stat info;
    return lstat(path, &info) == 0;
}

bool moved(const char* source, const char* destination) {
    if (rename(source, destination) == 0)
        return true;
    std::fprintf(stderr, "mv: %s -> %s: %s\n", source, destination, std::strerror(errno));
    return false;
}

void pauseForTest() {
    const char* note = std::getenv("BETAKIT_TEST_SWAP_PAUSE");
    if (!note || !*note)
        return;
    if (FILE* file = std::fopen(note, "w")) {
        std::fprintf(file, "%d\n", int(getpid()));
        std::fclose(file);
    }
    raise(SIGSTOP);
}

bool exchanged(const char* a, const char* b) {
    if (std::getenv("BETAKIT_TEST_NO_EXCHANGE"))
        return false;
    return renameat2(AT_FDCWD, a, AT_FDCWD, b, RENAME_EXCHANGE) == 0;
}

// The application folder at `target` is replaced by the folder at `staged`; the old one goes to
// `aside`. True when done; false with nothing changed.
bool swapIn(const char* target, const char* staged, const char* aside) {
    if (exchanged(staged, target)) {
        // The new build is in place; the old one, now at `staged`, goes aside.
        pauseForTest();
        if (moved(staged, aside))
            return true;
        exchanged(staged, target);
        return false;
    }
    if (!moved(target, aside))
        return false;
    pauseForTest();
    if (moved(staged, target))
        return true;
    moved(aside, target);
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mv <source> <destination>\n");
        return 2;
    }
    const char* source = argv[1];
    const char* destination = argv[2];
    const char* target = std::getenv("BETAKIT_TARGET");
    const char* staged = std::getenv("BETAKIT_STAGED");
    if (target && staged && *staged && std::strcmp(source, target) == 0)
        return swapIn(target, staged, destination) ? 0 : 1;
    if (target && staged && std::strcmp(source, staged) == 0 && std::strcmp(destination, target) == 0 &&
        !exists(staged) && exists(target))
        return 0;
    return moved(source, destination) ? 0 : 1;
}
