// The progress line of long batch runs: on standard error, lines done of the total, the rate and
// the time left, redrawn in place a few times a second. It is shown when standard error is a
// terminal, or when asked for (--progress), and never otherwise, so that scripts and tests see
// clean output.
#ifndef KZR_TOOLS_PROGRESS_H
#define KZR_TOOLS_PROGRESS_H

#include <chrono>
#include <string>

struct lineoutput;

// Whether to show progress: asked for, or standard error is a terminal.
bool progresswanted(bool asked);

class progressline {
 public:
  // total: the lines to do (negative when not known, as for standard input).
  progressline(bool shown, long total);
  ~progressline();
  progressline(const progressline&) = delete;
  progressline& operator=(const progressline&) = delete;

  // Lines done so far; redraws when the last drawing (or the start) is older than a fifth of a
  // second, and at the last line.
  void update(long done);
  // Erases the line, so that other writing starts at the left edge; a later update redraws it.
  void hide();
  // Hides the line if writing `record` would show on the terminal the line is drawn on.
  void makeroomfor(const lineoutput& record);

  // The text of the line for `done` lines after `seconds` (without the leading carriage return).
  static std::string text(long done, long total, double seconds);

 private:
  bool shown;
  long total;
  bool drawn = false;
  std::chrono::steady_clock::time_point start, lastdrawing;
};

#endif  // KZR_TOOLS_PROGRESS_H
