// Bench support: child processes that cannot outlive the bench. Each child runs in a process
// group of its own, so that ending it also ends whatever it started; the groups are listed where
// a signal handler can reach them, and the kernel kills a child whose parent dies without
// cleaning up (PR_SET_PDEATHSIG).
//
// Usage: call InstallChildSignalHandlers() once at the start of main(); Child::Spawn starts a
// program; Child::Stop (also run by the destructor) ends its group and reaps it. Long waits call
// ThrowIfInterrupted(), which throws Interrupted after SIGINT, SIGTERM, SIGHUP or SIGQUIT, so
// that the stack unwinds through the destructors (children ended, temporary folders removed).
//
// Single-threaded: the bench's main thread calls everything here.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace qv::bench {

struct Interrupted {};

namespace detail {

inline constexpr int kMaxGroups = 8;
inline std::atomic<pid_t> groups[kMaxGroups];
inline volatile sig_atomic_t interrupted = 0;

// Async-signal-safe: SIGTERM to each listed group, so that an X server still removes its
// socket and lock; the unwinding on the main thread then stops and reaps them for good.
inline void OnSignal(int signal) {
  for (auto& group : groups) {
    const pid_t pgid = group.load();
    if (pgid > 0) ::kill(-pgid, SIGTERM);
  }
  interrupted = signal;
}

inline void AddGroup(pid_t pgid) {
  for (auto& group : groups) {
    pid_t empty = 0;
    if (group.compare_exchange_strong(empty, pgid)) return;
  }
}

inline void RemoveGroup(pid_t pgid) {
  for (auto& group : groups) {
    pid_t expected = pgid;
    group.compare_exchange_strong(expected, 0);
  }
}

}  // namespace detail

inline void InstallChildSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = detail::OnSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a wait in poll() returns at once and sees the flag.
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(signal, &action, nullptr);
  ::signal(SIGPIPE, SIG_IGN);  // a child that died turns writes into EPIPE, not our death
}

inline void ThrowIfInterrupted() {
  if (detail::interrupted) throw Interrupted{};
}

// Sleeps until `deadline` in short steps, so that a signal ends the wait.
inline void SleepUntil(std::chrono::steady_clock::time_point deadline) {
  while (std::chrono::steady_clock::now() < deadline) {
    ThrowIfInterrupted();
    const auto left = deadline - std::chrono::steady_clock::now();
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(20)));
  }
}

struct LaunchOptions {
  std::vector<std::string> argv;  // argv[0] is looked up on PATH when it has no slash
  std::vector<std::string> env;   // NAME=value, the child's whole environment
  int stdinFd = -1;               // -1: /dev/null
  int stdoutFd = -1;
  int stderrFd = -1;
  int fd3 = -1;  // passed on as descriptor 3 (dbus-daemon's --print-address=3)
  // Sent by the kernel when the bench dies without ending the child (killed outright).
  int deathSignal = SIGKILL;
};

class Child {
 public:
  Child() = default;
  ~Child() { Stop(); }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // Starts the program; false (and the reason in `error`) when it could not be executed.
  // Descriptors of the bench must be close-on-exec; the ones named in `launch` are passed on.
  bool Spawn(const LaunchOptions& launch, std::string* error) {
    std::vector<char*> argv;
    for (const std::string& arg : launch.argv) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : launch.env) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
      *error = std::string("pipe: ") + std::strerror(errno);
      return false;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
      *error = std::string("fork: ") + std::strerror(errno);
      ::close(report[0]);
      ::close(report[1]);
      return false;
    }
    if (pid == 0) {
      ::setpgid(0, 0);
      ::prctl(PR_SET_PDEATHSIG, launch.deathSignal);
      if (::getppid() != parent) ::_exit(127);  // the bench died before the line above
      ::signal(SIGPIPE, SIG_DFL);
      const int null = ::open("/dev/null", O_RDWR);
      ::dup2(launch.stdinFd >= 0 ? launch.stdinFd : null, STDIN_FILENO);
      ::dup2(launch.stdoutFd >= 0 ? launch.stdoutFd : null, STDOUT_FILENO);
      ::dup2(launch.stderrFd >= 0 ? launch.stderrFd : null, STDERR_FILENO);
      if (launch.fd3 == 3) {
        ::fcntl(3, F_SETFD, 0);
      } else if (launch.fd3 >= 0) {
        ::dup2(launch.fd3, 3);
      }
      ::execvpe(argv[0], argv.data(), envp.data());
      const int failure = errno;
      [[maybe_unused]] const ssize_t written = ::write(report[1], &failure, sizeof failure);
      ::_exit(127);
    }
    ::setpgid(pid, pid);  // also here, so that the group exists before we signal it
    detail::AddGroup(pid);
    pid_ = pid;
    reaped_ = false;
    ::close(report[1]);
    int failure = 0;
    ssize_t got;
    do {
      got = ::read(report[0], &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got == static_cast<ssize_t>(sizeof failure)) {
      Stop();
      *error = "cannot run " + launch.argv[0] + ": " + std::strerror(failure);
      return false;
    }
    return true;
  }

  pid_t Pid() const { return pid_; }

  // True while the child has not ended (it is not reaped here, so its id stays ours).
  bool Running() {
    if (pid_ <= 0 || reaped_) return false;
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
      return false;
    }
    if (info.si_pid == 0) return true;
    ended_ = info.si_code == CLD_EXITED
                 ? "exited with status " + std::to_string(info.si_status)
                 : std::string("killed by signal ") + ::strsignal(info.si_status);
    return false;
  }

  // How the child ended, after Running() returned false.
  const std::string& EndText() const { return ended_; }

  // SIGTERM to the group, SIGKILL after `grace`, SIGKILL again to anything left in the group
  // while the leader is still a zombie (so its id cannot have been reused), then reaps it.
  void Stop(std::chrono::milliseconds grace = std::chrono::milliseconds(2000)) {
    if (pid_ <= 0) return;
    if (!reaped_) {
      if (Running()) ::kill(-pid_, SIGTERM);
      const auto deadline = std::chrono::steady_clock::now() + grace;
      while (Running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      ::kill(-pid_, SIGKILL);
      int status = 0;
      while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
      reaped_ = true;
    }
    detail::RemoveGroup(pid_);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  bool reaped_ = true;
  std::string ended_;
};

}  // namespace qv::bench
