#include "cli/job_feedback.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>

namespace renamer::cli {
namespace {

// What the signal handler may touch: a lock-free atomic and a sig_atomic_t.
std::atomic<bool>* g_cancel = nullptr;
volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) {
  g_interrupted = 1;
  if (g_cancel != nullptr) g_cancel->store(true);
}

constexpr auto kTick = std::chrono::milliseconds(100);
constexpr auto kSlowCall = std::chrono::seconds(2);
constexpr int kBarWidth = 30;

}  // namespace

JobFeedback::JobFeedback(RunControl& control, bool progressBar) : control_(control) {
  static_assert(std::atomic<bool>::is_always_lock_free);
  g_cancel = &control_.cancel;
  g_interrupted = 0;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // The first Ctrl+C cancels; a second one ends the program at once, which the journal
  // makes safe too.
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
  if (!progressBar) return;
  painter_ = std::thread([this] {
    while (!finished_.load()) {
      std::this_thread::sleep_for(kTick);
      if (!finished_.load()) Draw();
    }
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
  });
}

JobFeedback::~JobFeedback() {
  finished_.store(true);
  if (painter_.joinable()) painter_.join();
  signal(SIGINT, SIG_DFL);
  g_cancel = nullptr;
}

bool JobFeedback::Interrupted() const { return g_interrupted != 0; }

void JobFeedback::Draw() const {
  const std::uint64_t total = control_.total.load();
  const std::uint64_t done = control_.done.load();
  std::string line = "\r";
  if (control_.CallDuration() > kSlowCall) {
    line += "正在等待文件系统…";
  } else if (total == 0) {
    line += "正在读取文件信息…";
  } else {
    const auto filled = static_cast<int>(done * kBarWidth / total);
    line += '[' + std::string(static_cast<std::size_t>(filled), '#') +
            std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "] 已处理 " +
            std::to_string(done) + " / " + std::to_string(total) + " 个文件";
  }
  if (control_.cancel.load()) line += "  正在取消…";
  line += "\033[K";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace renamer::cli
