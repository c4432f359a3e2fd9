#include "numerics/interpolation.h"

#include <vector>

#include "numerics/messages.h"

void naturalspline(const double* xa, const double* ya, int n, double* y2a) {
  if (n <= 0) return;
  std::vector<double> u(n > 1 ? n - 1 : 1);
  y2a[0] = 0.0;
  u[0] = 0.0;
  for (int i = 1; i <= n - 2; ++i) {
    const double s = (xa[i] - xa[i - 1]) / (xa[i + 1] - xa[i - 1]);
    const double p = s * y2a[i - 1] + 2.0;
    y2a[i] = (s - 1.0) / p;
    u[i] = (ya[i + 1] - ya[i]) / (xa[i + 1] - xa[i]) - (ya[i] - ya[i - 1]) / (xa[i] - xa[i - 1]);
    u[i] = (6.0 * u[i] / (xa[i + 1] - xa[i - 1]) - s * u[i - 1]) / p;
  }
  y2a[n - 1] = 0.0;
  for (int k = n - 2; k >= 0; --k) y2a[k] = y2a[k] * y2a[k + 1] + u[k];
}

double splint(const double* xa, const double* ya, const double* y2a, int n, double x, bool cubic,
              double w) {
  int lo = 0;
  int hi = n - 1;
  while (hi - lo > 1) {
    const int k = (hi + lo) / 2;
    if (xa[k] > x)
      hi = k;
    else
      lo = k;
  }
  const double h = xa[hi] - xa[lo];
  if (h == 0) writemessage(messages::badsplineknots);
  const double a = (xa[hi] - x) / h;
  const double b = (x - xa[lo]) / h;
  if (!cubic && w <= 0.05) return a * ya[lo] + b * ya[hi];
  return a * ya[lo] + b * ya[hi] +
         ((a * a * a - a) * y2a[lo] + (b * b * b - b) * y2a[hi]) * h * h / 6.0;
}
