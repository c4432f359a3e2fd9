#include "progress.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <iostream>

#include "lineoutput.h"

namespace {

constexpr double redrawseconds = 0.2;

std::string duration(double seconds) {
  const long s = std::lround(seconds);
  char buffer[48];
  if (s < 60)
    std::snprintf(buffer, sizeof buffer, "%lds", s);
  else if (s < 3600)
    std::snprintf(buffer, sizeof buffer, "%ldm%02lds", s / 60, s % 60);
  else
    std::snprintf(buffer, sizeof buffer, "%ldh%02ldm", s / 3600, (s % 3600) / 60);
  return buffer;
}

}  // namespace

bool progresswanted(bool asked) { return asked || isatty(STDERR_FILENO) == 1; }

progressline::progressline(bool shown, long total)
    : shown(shown), total(total), start(std::chrono::steady_clock::now()), lastdrawing(start) {}

progressline::~progressline() { hide(); }

std::string progressline::text(long done, long total, double seconds) {
  std::string line = "kzr: " + std::to_string(done);
  if (total >= 0) line += " of " + std::to_string(total);
  line += " lines";
  if (seconds > 0 && done > 0) {
    const double rate = done / seconds;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, rate >= 100 ? ", %.0f lines/s" : ", %.3g lines/s", rate);
    line += buffer;
    if (total >= done) line += ", " + duration((total - done) / rate) + " left";
  }
  return line;
}

void progressline::update(long done) {
  if (!shown) return;
  const auto now = std::chrono::steady_clock::now();
  const bool last = total >= 0 && done >= total;
  // The first drawing waits a fifth of a second too, so that a short run shows nothing.
  if (!last && std::chrono::duration<double>(now - lastdrawing).count() < redrawseconds) return;
  lastdrawing = now;
  const double seconds = std::chrono::duration<double>(now - start).count();
  std::cerr << "\r\033[K" << text(done, total, seconds) << std::flush;
  drawn = true;
}

void progressline::hide() {
  if (!drawn) return;
  std::cerr << "\r\033[K" << std::flush;
  drawn = false;
}

void progressline::makeroomfor(const lineoutput& record) {
  if (!drawn) return;  // nothing to erase (and no terminal query a line when progress is off)
  if (!record.err.empty() || (!record.out.empty() && isatty(STDOUT_FILENO) == 1)) hide();
}
