// Pictures of curves, drawn by gnuplot (its pngcairo terminal) from a script the tool writes:
// one or more panels stacked over a common x axis, each with one or more series (a series with
// standard errors over its band of two errors either side), and vertical marks (a barrier, a
// critical price) labelled on every panel.
#ifndef KZR_TOOLS_PLOTTING_H
#define KZR_TOOLS_PLOTTING_H

#include <string>
#include <vector>

struct plotseries {
  std::string title;
  std::vector<double> y;  // one value per x; NaN and infinities leave a gap
  // Standard errors of y (empty: none): drawn as a shaded band y - 2 e to y + 2 e.
  std::vector<double> error = {};
};

struct plotpanel {
  std::string ylabel;
  std::vector<plotseries> series;
};

struct plotmark {
  std::string label;
  double x;
};

struct plotpicture {
  std::string file;  // the PNG written
  std::string title;
  std::string xlabel;
  std::vector<double> x;
  std::vector<plotpanel> panels;
  std::vector<plotmark> marks;
};

// The size of a picture in pixels: a fixed width, and a fixed height per panel.
constexpr int plotwidth = 800;
constexpr int plotpanelheight = 450;

// The message when gnuplot cannot be found on the PATH.
extern const char* const gnuplotmissing;

// Draws the picture. Returns an empty text on success, else what went wrong.
std::string drawpicture(const plotpicture& picture);

#endif  // KZR_TOOLS_PLOTTING_H
