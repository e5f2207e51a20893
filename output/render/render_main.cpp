// kornmill-render: renders the instrument offline into a WAV file and prints a summary.
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "output/render/render_job.h"
#include "output/render/render_options.h"
#include "output/render/render_score.h"

namespace {

// A progress bar on a terminal for renders longer than a few seconds.
class ProgressBar {
 public:
  explicit ProgressBar(bool on) : on_(on) {}
  void operator()(int64_t done, int64_t total) {
    if (!on_ || total <= 0) return;
    const int percent = static_cast<int>(done * 100 / total);
    if (percent == shown_) return;
    shown_ = percent;
    const int width = 40;
    const int filled = percent * width / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                 std::string(width - filled, ' ').c_str(), percent);
    std::fflush(stderr);
  }
  void Finish() {
    if (on_ && shown_ >= 0) std::fprintf(stderr, "\r%60s\r", "");
  }

 private:
  bool on_;
  int shown_ = -1;
};

int Fail(const std::string& text, int code) {
  std::fprintf(stderr, "kornmill-render: error: %s\n", text.c_str());
  return code;
}

// Reads the arguments and the score; an exit code, or -1 to go on rendering.
int ReadInputs(int argc, char** argv, kornmill::RenderOptions& options,
               std::vector<kornmill::ScoreEvent>& score) {
  using namespace kornmill;
  try {
    options = ParseRenderArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help || options.list_controls) {
      std::fputs(options.help ? RenderUsage().c_str() : ControlsListing().c_str(), stdout);
      return 0;
    }
    if (!options.score.empty()) {
      std::istringstream in(ReadScoreText(options.score));
      score = ParseScore(in, options.score);
      for (const std::string& line :
           LateEventWarnings(score, options.score, options.total_frames(), options.rate)) {
        std::fprintf(stderr, "kornmill-render: warning: %s\n", line.c_str());
      }
    }
  } catch (const UsageError& e) {
    std::fprintf(stderr, "kornmill-render: error: %s (see --help)\n", e.what());
    return 2;
  } catch (const ScoreError& e) {
    return Fail(e.what(), 2);
  }
  return -1;
}

// Set by Ctrl-C or a termination request: the render stops and leaves nothing behind.
volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) {
  g_interrupted = 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kornmill;
  RenderOptions options;
  std::vector<ScoreEvent> score;
  if (const int code = ReadInputs(argc, argv, options, score); code >= 0) return code;

  const double seconds = double(options.total_frames()) / options.rate;
  ProgressBar bar(::isatty(STDERR_FILENO) && seconds > 5.0);
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  RenderSummary sum;
  try {
    RenderJob job;
    sum = job.Run(options, score, [&bar](int64_t done, int64_t total) {
      if (g_interrupted) throw RenderError("interrupted; nothing was saved");
      bar(done, total);
    });
  } catch (const std::exception& e) {
    bar.Finish();
    return Fail(e.what(), 1);
  }
  bar.Finish();
  for (const std::string& notice : sum.notices) {
    std::fprintf(stderr, "kornmill-render: warning: %s\n", notice.c_str());
  }
  if (sum.not_numbers > 0) {
    std::fprintf(stderr, "kornmill-render: warning: %llu samples of the render are not numbers\n",
                 static_cast<unsigned long long>(sum.not_numbers));
  }
  const double db = std::isnan(sum.peak) ? double(sum.peak)
                   : sum.peak > 0     ? 20.0 * std::log10(sum.peak)
                                      : -INFINITY;
  const double speed = sum.wall_seconds > 0 ? sum.seconds / sum.wall_seconds : 0.0;
  std::printf(
      "%s: %lld frames (%.3f s) at %u Hz %s, %llu grains started, peak %.6f (%.1f dBFS), "
      "%llu clipped samples, %.1fx real time\n",
      options.output.c_str(), static_cast<long long>(sum.frames), sum.seconds, options.rate,
      options.stereo ? "stereo" : "mono", static_cast<unsigned long long>(sum.grains), sum.peak, db,
      static_cast<unsigned long long>(sum.clipped), speed);
  if (!options.midi.empty()) std::printf("%zu MIDI events played\n", sum.midi_events);
  return 0;
}
