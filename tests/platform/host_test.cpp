// The library as a host sees it: loaded with dlopen, version 5, and every call giving back all it
// was lent, in order. Also the sweep that throws malformed tables at every registered code.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "binding/interfacenumbers.h"
#include "binding/registries.h"
#include "closedform/BlackScholes.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

standin::host& host() { return testsupport::library(); }

struct tables {
  standin::tensor T0 = standin::realtensor({6, 1}, {1, 100, 100, 0.2, 0.05, 0.02});
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
  standin::tensor T2 = standin::realtensor({6, 2}, std::vector<double>(12, 0.0));
  tables() {
    T0.label = "T0";
    T1.label = "T1";
    T2.label = "T2";
  }
};

TEST(HostStandIn, RefusesALibraryThatIsNotThere) {
  EXPECT_THROW(standin::host("/nonexistent/libkzr.so"), standin::loaderror);
}

// The default tables leave every entry to the library; set hands it one value. The precise
// numerics move a two-asset rainbow's price (the default bivariate normal errs by up to 8.3e-6).
TEST(HostStandIn, DefaultParameterTablesAreTheLibrarysDefaults) {
  standin::tensor T0 = standin::realtable(
      {{0.5}, {100}, {105}, {0.11}, {0.16}, {0.63}, {0.05}, {0.06}, {0.09}, {98}});
  standin::tensor flags = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
  standin::tensor values = standin::realtensor({6, 1}, std::vector<double>(6, 0.0));
  const double byhand = host().fun("RAINBOWMAX2ECO", T0, flags, values).value;
  standin::parametertables parameters = standin::defaultparameters();
  EXPECT_EQ(host().fun("RAINBOWMAX2ECO", T0, parameters.flags, parameters.entries).value, byhand);
  parameters.set(entryoptions, optionnumerics, 1);
  EXPECT_EQ(parameters.flags.integers[entryoptions], 0);
  EXPECT_NE(host().fun("RAINBOWMAX2ECO", T0, parameters.flags, parameters.entries).value, byhand);
  EXPECT_THROW(parameters.set(parameterentrycount, 0, 1), std::out_of_range);
  EXPECT_THROW(parameters.set(entrymode, entryvaluecount, 1), std::out_of_range);
}

TEST(HostStandIn, LooksForTheLibraryBesideTheProgramFirst) {
  const std::vector<std::string> places = standin::librarycandidates();
  ASSERT_FALSE(places.empty());
  EXPECT_EQ("'" + places[0] + "'", testsupport::besideprogram("libkzr.so"));
  EXPECT_EQ(standin::defaultlibrarypath(), places[0]);  // the build puts it there
}

TEST(HostStandIn, TheLibraryExportsOnlyItsEntryPoints) {
  for (const char* name :
       {"QuillonLibrary_getVersion", "QuillonLibrary_initialize", "fun", "funvec"})
    EXPECT_NE(host().symbol(name), nullptr) << name;
  for (const char* name : {"initializeregistries", "scalarentry", "normalcdf", "_Z9normalcdfd",
                           "_ZN12BlackScholes16blackscholescallEdddddd"})
    EXPECT_EQ(host().symbol(name), nullptr) << name;
  auto version = reinterpret_cast<int (*)()>(host().symbol("QuillonLibrary_getVersion"));
  EXPECT_EQ(version(), 5);
}

TEST(HostStandIn, CodeTextIsGivenBackAtTheNextCallOfTheSameEntryPoint) {
  tables t;
  host().fun("BSEPO", t.T0, t.T1, t.T2);  // whatever the earlier tests left retained
  host().funvec("BSEPO", t.T0, t.T1, t.T2);
  host().recordevents(true);
  host().clearevents();

  const double first = host().fun("BSECO", t.T0, t.T1, t.T2).value;
  EXPECT_EQ(first, BlackScholes::blackscholescall(1, 100, 100, 0.2, 0.05, 0.02));
  const std::vector<std::string> firstcall = {"releasestring BSEPO", "releasetensor T0",
                                              "releasetensor T1", "releasetensor T2"};
  EXPECT_EQ(host().events(), firstcall);

  host().clearevents();
  host().fun("BSEPO", t.T0, t.T1, t.T2);
  const std::vector<std::string> secondcall = {"releasestring BSECO", "releasetensor T0",
                                               "releasetensor T1", "releasetensor T2"};
  EXPECT_EQ(host().events(), secondcall);

  // funvec keeps its own text: it gives back its previous one, not fun's.
  host().clearevents();
  CaptureStdout();
  host().funvec("BSECO", t.T0, t.T1, t.T2);  // not a vector code: refused, still gives back
  GetCapturedStdout();
  const std::vector<std::string> vectorcall = {"releasestring BSEPO", "releasetensor T0",
                                               "releasetensor T1", "releasetensor T2"};
  EXPECT_EQ(host().events(), vectorcall);
  host().recordevents(false);

  // One text stays held per entry point; every tensor share is back.
  EXPECT_EQ(host().outstandingstrings(), 2);
  EXPECT_EQ(host().outstandingshares(), 0);
  EXPECT_EQ(t.T0.shares + t.T1.shares + t.T2.shares, 0);
}

TEST(HostStandIn, InitialisingAgainKeepsTheLibraryWorking) {
  EXPECT_EQ(host().initialize(), 0);
  tables t;
  EXPECT_EQ(host().fun("BSECO", t.T0, t.T1, t.T2).value,
            BlackScholes::blackscholescall(1, 100, 100, 0.2, 0.05, 0.02));
}

// Every registered code with malformed tables: the library answers (a value or a refusal),
// gives everything back, and survives. Under the sanitizers this is where reads past a table's
// end, leaks and undefined behaviour would show; the host lends a valid one-byte block for every
// empty tensor, as hosts built on malloc(0) do, so that even a read of an empty table shows.
TEST(MalformedTables, EveryCodeSurvivesEveryShape) {
  initializeregistries();  // the in-process registry names the codes the library serves
  host().lendonebyteforempty(true);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<std::pair<std::string, std::int64_t>> codes;
  for (const auto& [code, entry] : scalarhandlers()) codes.emplace_back(code, entry.rowcapacity);

  const std::vector<hostinteger> defaults = {1, 1, 1, 1, 1, 1};
  const std::vector<hostinteger> given = {0, 0, 0, 0, 0, 0};
  struct parameterset {
    const char* name;
    std::vector<hostinteger> flags;
    double value;
  };
  const parameterset parametersets[] = {
      {"defaults", defaults, 0},    {"zeros", given, 0},      {"negative", given, -5},
      {"not a number", given, nan}, {"infinite", given, inf}, {"huge", given, 1e300},
  };
  long shares = host().outstandingshares();
  long strings = host().outstandingstrings();
  for (const auto& [code, capacity] : codes) {
    const auto rows = static_cast<hostinteger>(capacity);
    std::vector<standin::tensor> datas = {
        standin::realtensor({0, 0}, {}),
        standin::realtensor({rows, 0}, {}),
        standin::realtensor({1, 1}, {1.0}),
        standin::realtensor({rows, 1}, std::vector<double>(rows, nan)),
        standin::realtensor({rows, 1}, std::vector<double>(rows, inf)),
        standin::realtensor({rows, 1}, std::vector<double>(rows, -1.0)),
        standin::realtensor({rows, 3}, std::vector<double>(rows * 3, 1e300)),
        standin::realtensor({rows + 1, 1}, std::vector<double>(rows + 1, 1.0)),
        standin::realtensor({0, rows, 1}, {}),  // rows promised, no element held
        standin::realtensor({2, 0, rows, 3}, {}),
    };
    for (const parameterset& parameters : parametersets) {
      standin::tensor T1 = standin::integertensor({6}, parameters.flags);
      standin::tensor full = standin::realtensor({6, 2}, std::vector<double>(12, parameters.value));
      standin::tensor hollow = standin::realtensor({0, 6, 2}, {});
      for (standin::tensor* T2 : {&full, &hollow}) {
        for (standin::tensor& T0 : datas) {
          CaptureStdout();
          const standin::scalarresult result = host().fun(code, T0, T1, *T2);
          GetCapturedStdout();
          EXPECT_EQ(result.status, 0) << code << " with " << parameters.name << " parameters";
        }
      }
    }
  }
  host().lendonebyteforempty(false);
  EXPECT_EQ(host().outstandingshares(), shares);
  // Each entry point holds one text at a time.
  EXPECT_LE(host().outstandingstrings(), std::max(strings, 1L) + 1);
}

}  // namespace
