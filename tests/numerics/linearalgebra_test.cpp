// The tridiagonal solver, the natural spline, the Cholesky factor and the semi-definite factor:
// results checked by substitution and against closed forms, failures by their exact messages.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "numerics/interpolation.h"
#include "numerics/linearalgebra.h"
#include "numerics/undefined.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

TEST(TridiagonalSolve, SolutionSatisfiesTheSystem) {
  std::mt19937 generator(7);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  const int n = 50;
  std::vector<double> diag(n), upper(n - 1), lower(n - 1), rhs(n), x(n);
  for (int i = 0; i < n; ++i) diag[i] = 4.0 + uniform(generator);
  for (int i = 0; i < n - 1; ++i) {
    upper[i] = uniform(generator);
    lower[i] = uniform(generator);
  }
  for (double& value : rhs) value = uniform(generator);
  const std::vector<double> diagcopy = diag, rhscopy = rhs;
  tridiagonalsolve(diag.data(), upper.data(), lower.data(), rhs.data(), x.data(), n);
  for (int i = 0; i < n; ++i) {
    double row = diag[i] * x[i];
    if (i > 0) row += lower[i - 1] * x[i - 1];
    if (i < n - 1) row += upper[i] * x[i + 1];
    EXPECT_NEAR(row, rhs[i], 1e-14) << "row " << i;
  }
  EXPECT_EQ(diag, diagcopy);  // inputs untouched
  EXPECT_EQ(rhs, rhscopy);
}

TEST(TridiagonalSolve, IdentityReturnsTheRightHandSide) {
  const double diag[] = {1, 1, 1}, off[] = {0, 0}, rhs[] = {3, -2, 5};
  double x[3];
  tridiagonalsolve(diag, off, off, rhs, x, 3);
  EXPECT_EQ(std::vector<double>(x, x + 3), std::vector<double>(rhs, rhs + 3));
}

TEST(TridiagonalSolve, ZeroPivotLeavesEverythingUndefined) {
  struct singularcase {
    const char* name;
    std::vector<double> diag, upper, lower;
  };
  const singularcase cases[] = {
      {"first pivot", {0, 1, 1}, {1, 1}, {1, 1}},
      {"later pivot", {1, 1, 1}, {1, 0}, {1, 0}},  // beta[1] = 1 - 1*1 = 0
  };
  for (const auto& c : cases) {
    const double rhs[] = {1, 2, 3};
    double x[3] = {7, 7, 7};
    CaptureStdout();
    tridiagonalsolve(c.diag.data(), c.upper.data(), c.lower.data(), rhs, x, 3);
    EXPECT_EQ(GetCapturedStdout(), "Singular matrix") << c.name;
    for (double value : x) EXPECT_TRUE(isundefined(value)) << c.name;
  }
}

TEST(NaturalSpline, ReproducesAStraightLineExactly) {
  const double xa[] = {0, 1, 2.5, 4, 7}, ya[] = {1, 3, 6, 9, 15};  // y = 2x + 1
  double y2a[5];
  naturalspline(xa, ya, 5, y2a);
  for (double value : y2a) EXPECT_NEAR(value, 0.0, 1e-15);
  for (double x : {0.0, 0.3, 2.0, 5.5, 7.0})
    for (bool cubic : {true, false})
      EXPECT_NEAR(splint(xa, ya, y2a, 5, x, cubic, 1.0), 2 * x + 1, 1e-13) << x;
}

TEST(NaturalSpline, InterpolatesSmoothDataAndKnots) {
  std::vector<double> xa, ya;
  for (int i = 0; i <= 40; ++i) {
    xa.push_back(i * 0.1);
    ya.push_back(std::sin(i * 0.1));
  }
  std::vector<double> y2a(xa.size());
  naturalspline(xa.data(), ya.data(), 41, y2a.data());
  // Away from the ends (where the natural condition bends the fit) the error is O(h^4).
  for (double x = 0.5; x <= 3.5; x += 0.0173)
    EXPECT_NEAR(splint(xa.data(), ya.data(), y2a.data(), 41, x, true, 1.0), std::sin(x), 2e-6);
  EXPECT_EQ(splint(xa.data(), ya.data(), y2a.data(), 41, xa[17], true, 1.0), ya[17]);
}

TEST(Splint, LinearSwitchAtTheThreshold) {
  const double xa[] = {0, 1, 2}, ya[] = {0, 1, 0};
  double y2a[3];
  naturalspline(xa, ya, 3, y2a);
  EXPECT_EQ(splint(xa, ya, y2a, 3, 0.5, false, 0.05), 0.5);       // straight line
  EXPECT_NE(splint(xa, ya, y2a, 3, 0.5, false, 0.0500001), 0.5);  // cubic
  EXPECT_NE(splint(xa, ya, y2a, 3, 0.5, true, 0.0), 0.5);
}

TEST(Splint, EqualKnotsWriteTheirMessage) {
  // Beyond the last knot the bracket is the last interval, here of zero width.
  const double xa[] = {0, 1, 1}, ya[] = {0, 1, 2}, y2a[] = {0, 0, 0};
  CaptureStdout();
  const double value = splint(xa, ya, y2a, 3, 1.5, true, 1.0);
  EXPECT_EQ(GetCapturedStdout(), "Bad xa input to routine splint\n");
  EXPECT_FALSE(std::isfinite(value));
}

TEST(Cholesky, FactorsAKnownMatrix) {
  double a[] = {4, 2, 2, 3};
  choleskyfactor(2, a);
  EXPECT_EQ(a[0], 2.0);
  EXPECT_EQ(a[1], 0.0);
  EXPECT_EQ(a[2], 1.0);
  EXPECT_NEAR(a[3], std::sqrt(2.0), 1e-15);
}

TEST(Cholesky, FactorTimesTransposeGivesTheMatrix) {
  const int n = 5;
  std::mt19937 generator(3);
  std::normal_distribution<double> normal;
  std::vector<double> g(n * n), a(n * n, 0.0);
  for (double& value : g) value = normal(generator);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      for (int k = 0; k < n; ++k) a[i * n + j] += g[i * n + k] * g[j * n + k];
  std::vector<double> L = a;
  choleskyfactor(n, L.data());
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      if (j > i) {
        EXPECT_EQ(L[i * n + j], 0.0);
      }
      double product = 0.0;
      for (int k = 0; k < n; ++k) product += L[i * n + k] * L[j * n + k];
      EXPECT_NEAR(product, a[i * n + j], 1e-12);
    }
}

TEST(Cholesky, RefusedMatricesStayAsTheyWere) {
  struct refusal {
    std::vector<double> matrix;
    const char* message;
  };
  const refusal cases[] = {
      {{1, 0.5, 0.5000001, 1}, "Non symmetric matrix\n"},
      {{1, 1, 1, 1}, "Matrix is not enough positive define\n"},
      {{1e-7, 0, 0, 1}, "Matrix is not enough positive define\n"},  // a pivot of exactly 1e-7
  };
  for (const auto& c : cases) {
    std::vector<double> a = c.matrix;
    CaptureStdout();
    choleskyfactor(2, a.data());
    EXPECT_EQ(GetCapturedStdout(), c.message);
    EXPECT_EQ(a, c.matrix);
  }
}

TEST(Cholesky, TinyAsymmetryTakesTheLowerTriangle) {
  double a[] = {4, 1e-17, 5e-18, 3};  // the mirrors differ by 5e-18
  CaptureStdout();
  choleskyfactor(2, a);
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_EQ(a[2], 5e-18 / 2);  // L(1,0) = a(1,0) / L(0,0), from the lower triangle
}

}  // namespace

namespace {

// L L^T against a, entry by entry, and zeros above the diagonal.
void expectfactorof(const std::vector<double>& a, const std::vector<double>& L, int n,
                    double tolerance) {
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      if (j > i) {
        EXPECT_EQ(L[i * n + j], 0.0) << i << "," << j;
      }
      double product = 0.0;
      for (int k = 0; k < n; ++k) product += L[i * n + k] * L[j * n + k];
      EXPECT_NEAR(product, a[i * n + j], tolerance) << i << "," << j;
    }
}

TEST(SemidefiniteFactor, SingularCorrelationsAreFactored) {
  // Unit correlations and repeated assets: Cholesky's pivot test refuses each of them.
  const struct {
    int n;
    std::vector<double> matrix;
  } cases[] = {
      {2, {1, 1, 1, 1}},
      {2, {1, -1, -1, 1}},
      {3, {1, 1, 0.3, 1, 1, 0.3, 0.3, 0.3, 1}},      // asset 1 repeats asset 0
      {3, {1, -1, 0.4, -1, 1, -0.4, 0.4, -0.4, 1}},  // asset 1 mirrors asset 0
      {3, {1, 1, 1, 1, 1, 1, 1, 1, 1}},
      {3, {1, 0.6, 0.8, 0.6, 1, 0.96, 0.8, 0.96, 1}},  // rank 2 without a unit correlation
  };
  for (const auto& c : cases) {
    std::vector<double> refused = c.matrix;
    CaptureStdout();
    choleskyfactor(c.n, refused.data());
    EXPECT_EQ(GetCapturedStdout(), "Matrix is not enough positive define\n");
    std::vector<double> L = c.matrix;
    CaptureStdout();
    ASSERT_TRUE(semidefinitefactor(c.n, L.data())) << c.matrix[1];
    EXPECT_EQ(GetCapturedStdout(), "") << "the semi-definite factor writes nothing";
    expectfactorof(c.matrix, L, c.n, 1e-15);
  }
}

TEST(SemidefiniteFactor, ThePivotTestIsScaleFree) {
  // The covariance of volatilities 0.0003 and 0.0002: every pivot is below Cholesky's 1e-7.
  const double s0 = 0.0003, s1 = 0.0002, rho = 0.5;
  const std::vector<double> C{s0 * s0, rho * s0 * s1, rho * s0 * s1, s1 * s1};
  std::vector<double> refused = C;
  EXPECT_EQ(quietcholeskyfactor(2, refused.data()), choleskyoutcome::notpositivedefinite);
  EXPECT_EQ(refused, C);
  std::vector<double> L = C;
  ASSERT_TRUE(semidefinitefactor(2, L.data()));
  EXPECT_NEAR(L[0], s0, 1e-18);
  EXPECT_NEAR(L[2], rho * s1, 1e-18);
  EXPECT_NEAR(L[3], std::sqrt(1 - rho * rho) * s1, 1e-18);
}

TEST(SemidefiniteFactor, MatricesThatAreNotSemidefiniteAreRefused) {
  const struct {
    int n;
    std::vector<double> matrix;
  } cases[] = {
      {3, {1, 1, 0.5, 1, 1, 0.2, 0.5, 0.2, 1}},  // a unit correlation, then unequal third rows
      {3, {1, -0.6, -0.6, -0.6, 1, -0.6, -0.6, -0.6, 1}},  // an eigenvalue of -0.2
      {2, {1, 0, 0, -1e-9}},
      {2, {1, 0, 0, std::numeric_limits<double>::quiet_NaN()}},
  };
  for (const auto& c : cases) {
    std::vector<double> a = c.matrix;
    CaptureStdout();
    EXPECT_FALSE(semidefinitefactor(c.n, a.data())) << c.matrix[1] << " " << c.matrix.back();
    EXPECT_EQ(GetCapturedStdout(), "");
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (!std::isnan(c.matrix[i])) {
        EXPECT_EQ(a[i], c.matrix[i]) << "a refused matrix stays as it was";
      }
    }
  }
}

TEST(SemidefiniteFactor, QuietCholeskyIsCholeskyWithoutItsMessages) {
  const std::vector<double> a{4, 2, 0.6, 2, 3, 0.5, 0.6, 0.5, 2};
  std::vector<double> loud = a, quiet = a;
  CaptureStdout();
  choleskyfactor(3, loud.data());
  EXPECT_EQ(quietcholeskyfactor(3, quiet.data()), choleskyoutcome::factored);
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_EQ(loud, quiet);
  std::vector<double> asymmetric{1, 0.5, 0.5000001, 1};
  EXPECT_EQ(quietcholeskyfactor(2, asymmetric.data()), choleskyoutcome::nonsymmetric);
}

}  // namespace
