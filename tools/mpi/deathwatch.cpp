#include "deathwatch.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>

namespace {

struct watchedstate {
  std::atomic<int> rank{-1};
  std::atomic<int> line{0};
};

watchedstate* shared = nullptr;  // in memory shared with the watcher, or this process's own
watchedstate unshared;
volatile sig_atomic_t child = 0;
volatile sig_atomic_t passedon = 0;  // the watcher passed a signal on to the child

void passon(int signal) {
  passedon = 1;
  if (child > 0) kill(child, signal);
}

[[noreturn]] void dieas(int signal) {
  struct sigaction plain {};
  plain.sa_handler = SIG_DFL;
  sigaction(signal, &plain, nullptr);
  sigset_t unblocked;
  sigemptyset(&unblocked);
  sigaddset(&unblocked, signal);
  sigprocmask(SIG_UNBLOCK, &unblocked, nullptr);
  raise(signal);
  _exit(128 + signal);  // a signal that does not end a process
}

[[noreturn]] void watch(pid_t worker) {
  int status = 0;
  while (waitpid(worker, &status, 0) < 0)
    if (errno != EINTR) _exit(1);
  if (WIFEXITED(status)) _exit(WEXITSTATUS(status));
  const int signal = WTERMSIG(status);
  if (!passedon) {
    const int line = shared->line.load();
    char where[64];
    if (line > 0)
      std::snprintf(where, sizeof where, "line %d", line);
    else
      std::snprintf(where, sizeof where, "no batch line");
    std::fprintf(stderr, "kzr-mpi: rank %d died of signal %d (%s) while pricing %s\n",
                 shared->rank.load(), signal, strsignal(signal), where);
    std::fflush(stderr);
  }
  dieas(signal);
}

}  // namespace

void watchfordeath() {
  shared = &unshared;
  void* memory = mmap(nullptr, sizeof(watchedstate), PROT_READ | PROT_WRITE,
                      MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return;
  shared = new (memory) watchedstate;
  std::fflush(nullptr);
  const pid_t parent = getpid();
  const pid_t worker = fork();
  if (worker < 0) return;
  if (worker == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);  // the watcher died before the line above
    return;
  }
  child = worker;
  struct sigaction forward {};
  forward.sa_handler = passon;
  sigemptyset(&forward.sa_mask);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2})
    sigaction(signal, &forward, nullptr);
  watch(worker);
}

void setwatchedrank(int rank) {
  if (shared != nullptr) shared->rank.store(rank);
}

void setpricingline(int number) {
  if (shared != nullptr) shared->line.store(number, std::memory_order_relaxed);
}

int pricingline() { return shared != nullptr ? shared->line.load() : 0; }
