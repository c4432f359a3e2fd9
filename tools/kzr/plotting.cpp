#include "plotting.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

const char* const gnuplotmissing =
    "--plot needs gnuplot, which is not installed (on Debian: apt-get install gnuplot-nox)";

namespace {

bool gnuplotonpath() {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path != nullptr ? path : "");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (folder.empty()) continue;
    if (access((folder + "/gnuplot").c_str(), X_OK) == 0) return true;
  }
  return false;
}

// A gnuplot string in double quotes (so that "\n" breaks a title's line).
std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

std::string number(double value) {
  if (!std::isfinite(value)) return "NaN";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  return buffer;
}

std::string script(const plotpicture& picture) {
  std::ostringstream s;
  const int panels = static_cast<int>(picture.panels.size());
  s << "set terminal pngcairo noenhanced size " << plotwidth << ',' << plotpanelheight * panels
    << " font 'sans,10'\n"
    << "set output " << quoted(picture.file) << '\n'
    << "$curve << EOD\n";
  for (std::size_t i = 0; i < picture.x.size(); ++i) {
    s << number(picture.x[i]);
    for (const plotpanel& panel : picture.panels)
      for (const plotseries& series : panel.series) {
        const double y = i < series.y.size() ? series.y[i] : NAN;
        s << ' ' << number(y);
        if (series.error.empty()) continue;
        const double e = i < series.error.size() ? series.error[i] : NAN;
        s << ' ' << number(y - 2 * e) << ' ' << number(y + 2 * e);
      }
    s << '\n';
  }
  s << "EOD\n"
    << "set grid\nset key below\nset xlabel " << quoted(picture.xlabel) << '\n';
  for (std::size_t m = 0; m < picture.marks.size(); ++m) {
    const plotmark& mark = picture.marks[m];
    s << "set arrow " << m + 1 << " from first " << number(mark.x) << ", graph 0 to first "
      << number(mark.x) << ", graph 1 nohead dashtype 2 linecolor rgb 'grey40'\n"
      << "set label " << m + 1 << ' ' << quoted(mark.label) << " at first " << number(mark.x)
      << ", graph " << 0.95 - 0.06 * static_cast<double>(m) << " offset 1,0\n";
  }
  if (panels > 1)
    s << "set multiplot layout " << panels << ",1 title " << quoted(picture.title) << '\n';
  else
    s << "set title " << quoted(picture.title) << '\n';
  int column = 2;
  for (const plotpanel& panel : picture.panels) {
    s << "set ylabel " << quoted(panel.ylabel) << "\nplot ";
    for (std::size_t k = 0; k < panel.series.size(); ++k) {
      const plotseries& series = panel.series[k];
      const int y = column++;
      if (!series.error.empty()) {
        s << (k ? ", " : "") << "$curve using 1:" << column << ':' << column + 1
          << " with filledcurves fillcolor rgb 'grey70' fillstyle transparent solid 0.5 "
             "title 'two standard errors', ";
        column += 2;
      } else if (k) {
        s << ", ";
      }
      s << "$curve using 1:" << y << " with lines linewidth 2 title " << quoted(series.title);
    }
    s << '\n';
  }
  if (panels > 1) s << "unset multiplot\n";
  return s.str();
}

}  // namespace

std::string drawpicture(const plotpicture& picture) {
  if (picture.panels.empty() || picture.x.empty()) return "nothing to draw";
  if (!gnuplotonpath()) return gnuplotmissing;
  char name[] = "/tmp/kzrplotXXXXXX";
  const int descriptor = mkstemp(name);
  if (descriptor < 0) return "cannot write the gnuplot script";
  close(descriptor);
  {
    std::ofstream file(name);
    file << script(picture);
  }
  std::remove(picture.file.c_str());
  const int status = std::system(("gnuplot " + std::string(name)).c_str());
  std::remove(name);
  std::ifstream drawn(picture.file, std::ios::binary);
  if (status != 0 || !drawn) return "gnuplot could not draw " + picture.file;
  return {};
}
