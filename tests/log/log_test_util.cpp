#include "log_test_util.h"

#include <semaphore.h>
#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

TempDir::TempDir() {
    char pattern[] = "/tmp/qxlog_test_XXXXXX";
    mPath = mkdtemp(pattern);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(mPath, ec);
}

std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

LogParameters fileParams(const std::string& dir, const std::string& file) {
    LogParameters pars;
    pars.mSettingsDirPath = dir;
    pars.mLogFile = file;
    return pars;
}

std::atomic<int> gFailSemInit{0}, gFailSemWait{0}, gFailSemPost{0}, gFailSemDestroy{0};

namespace {
// Fails with the injected errno once, if one is set.
bool strike(std::atomic<int>& failure) {
    int err = failure.exchange(0);
    if (err == 0) {
        return false;
    }
    errno = err;
    return true;
}
}  // namespace

extern "C" {
int __real_sem_init(sem_t* sem, int pshared, unsigned value);
int __real_sem_wait(sem_t* sem);
int __real_sem_post(sem_t* sem);
int __real_sem_destroy(sem_t* sem);

int __wrap_sem_init(sem_t* sem, int pshared, unsigned value) {
    int result = __real_sem_init(sem, pshared, value);
    return strike(gFailSemInit) ? -1 : result;
}
int __wrap_sem_wait(sem_t* sem) {
    return strike(gFailSemWait) ? -1 : __real_sem_wait(sem);
}
int __wrap_sem_post(sem_t* sem) {
    return strike(gFailSemPost) ? -1 : __real_sem_post(sem);
}
int __wrap_sem_destroy(sem_t* sem) {
    int result = __real_sem_destroy(sem);
    return strike(gFailSemDestroy) ? -1 : result;
}
}
