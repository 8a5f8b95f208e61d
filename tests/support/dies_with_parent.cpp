// Linked into every test program: the program, and every child it forks (a
// death test's), dies with the process that started it, so that no test runs
// on once its runner (ctest, a script, a timeout) is gone.
#include <pthread.h>
#include <sys/prctl.h>

#include <csignal>

namespace {

void dieWithParent() {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
}

const bool gDiesWithParent = (dieWithParent(), pthread_atfork(nullptr, nullptr, dieWithParent));

}  // namespace
