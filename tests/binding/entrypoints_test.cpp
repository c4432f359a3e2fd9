// fun and funvec called in-process with the host stand-in's callback table: dispatch, refusals
// before any table is written, exceptions kept inside, vector results, and that every call gives
// back all it was lent.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>

#include "binding/codecatalogue.h"
#include "binding/entrypoints.h"
#include "binding/parameterblock.h"
#include "binding/registries.h"
#include "closedform/BlackScholes.h"
#include "numerics/undefined.h"
#include "testsupport.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

double throwinghandler(int, const double*, const datashape*, parameterblock*) {
  throw std::runtime_error("boom");
}
double allocationhandler(int, const double*, const datashape*, parameterblock*) {
  throw std::bad_alloc();
}
double* vectorof(std::initializer_list<double> values) {
  double* p = new double[values.size()];
  std::copy(values.begin(), values.end(), p);
  return p;
}
double* vectorthree(int, const double*, const datashape*, parameterblock*) {
  return vectorof({3.9, 1.5, 2.5, 3.5, 99});  // a count of 3.9 gives three elements
}
double* vectorempty(int, const double*, const datashape*, parameterblock*) {
  return vectorof({0});
}
double* vectornan(int, const double*, const datashape*, parameterblock*) {
  return vectorof({std::numeric_limits<double>::quiet_NaN()});
}
double* vectornegative(int, const double*, const datashape*, parameterblock*) {
  return vectorof({-2, 1});
}
double* vectorthrowing(int, const double*, const datashape*, parameterblock*) {
  throw std::runtime_error("vector boom");
}

struct tables {
  standin::tensor T0 = standin::realtensor({6, 1}, {1, 100, 100, 0.2, 0.05, 0.02});
  standin::tensor T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
  standin::tensor T2 = standin::realtensor({6, 2}, std::vector<double>(12, 0.0));
};

// Test handlers read every parameter entry but the options.
constexpr entrymask everyentry = readsentry(entrymode) | readsentry(entrysensitivity) |
                                 readsentry(entrygrid) | readsentry(entrypaths) |
                                 readsentry(entrysteps);

class EntryPoints : public testing::Test {
 protected:
  void SetUp() override {
    initializeregistries();
    scalarhandlers()["TESTTHROW"] = {throwinghandler, 6, everyentry};
    scalarhandlers()["TESTALLOC"] = {allocationhandler, 6, everyentry};
    vectorhandlers()["TESTVEC3"] = {vectorthree, 6, everyentry};
    vectorhandlers()["TESTVEC0"] = {vectorempty, 6, everyentry};
    vectorhandlers()["TESTVECNAN"] = {vectornan, 6, everyentry};
    vectorhandlers()["TESTVECNEG"] = {vectornegative, 6, everyentry};
    vectorhandlers()["TESTVECTHROW"] = {vectorthrowing, 6, everyentry};
    shares = host().outstandingshares();
    results = host().outstandingresults();
  }

  // Every tensor lent was given back; no result tensor was left behind.
  void TearDown() override {
    EXPECT_EQ(host().outstandingshares(), shares);
    EXPECT_EQ(host().outstandingresults(), results);
  }

  static standin::host& host() { return testsupport::library(); }

  // Calls an entry point in-process as the host would, lending the code and the tensors.
  int invoke(entrypoint entry, const std::string& code, tables& t, void* result,
             hostinteger count = 4) {
    char* text = standin::lendstring(code);
    hosttensor handles[] = {t.T0.handle(), t.T1.handle(), t.T2.handle()};
    for (int i = 0; i < 3 && i + 1 < count; ++i)
      standin::lend(i == 0 ? t.T0 : i == 1 ? t.T1 : t.T2);
    hostargument arguments[] = {&text, &handles[0], &handles[1], &handles[2]};
    return entry(host().table(), count, arguments, result);
  }

  long shares = 0;
  long results = 0;
};

TEST_F(EntryPoints, DispatchesToTheHandlerOfTheCode) {
  tables t;
  double result = 0;
  EXPECT_EQ(invoke(scalarentry, "BSECO", t, &result), hoststatusok);
  EXPECT_EQ(result, BlackScholes::blackscholescall(1, 100, 100, 0.2, 0.05, 0.02));
}

// The last code found is remembered: codes that alternate, share a handler or are the same text
// in a new buffer each reach their own formula, and an unknown code between them finds nothing.
TEST_F(EntryPoints, AlternatingCodesEachReachTheirOwnFormula) {
  const double call = BlackScholes::blackscholescall(1, 100, 100, 0.2, 0.05, 0.02);
  const double put = BlackScholes::blackscholesput(1, 100, 100, 0.2, 0.05, 0.02);
  const std::pair<const char*, double> calls[] = {{"BSECO", call}, {"BSECO", call},
                                                  {"BSEPO", put},  {"BSECO", call},
                                                  {"BSECOX", 0.0}, {"BSEPO", put}};
  for (const auto& [code, expected] : calls) {
    tables t;
    double result = 0;
    CaptureStdout();
    const int status = invoke(scalarentry, code, t, &result);
    GetCapturedStdout();
    if (expected == 0.0) {
      EXPECT_EQ(status, hoststatusfunctionerror) << code;
      continue;
    }
    EXPECT_EQ(status, hoststatusok) << code;
    EXPECT_EQ(result, expected) << code;
  }
}

TEST_F(EntryPoints, UnknownCodesAreRefusedAndInsertNothing) {
  const std::size_t scalars = scalarhandlers().size(), vectors = vectorhandlers().size();
  for (const char* code : {"bseco", "BSECO ", " BSECO", "", "NOSUCHCODE", "BSEC"}) {
    tables t;
    double result = 0;
    CaptureStdout();
    EXPECT_EQ(invoke(scalarentry, code, t, &result), hoststatusfunctionerror) << code;
    EXPECT_EQ(GetCapturedStdout(), std::string("Unknown contract code: ") + code + "\n");
    EXPECT_TRUE(isundefined(result)) << code;
    hosttensor out = nullptr;
    CaptureStdout();
    EXPECT_EQ(invoke(vectorentry, code, t, &out), hoststatusfunctionerror) << code;
    GetCapturedStdout();
    EXPECT_EQ(out, nullptr);
  }
  EXPECT_EQ(scalarhandlers().size(), scalars);
  EXPECT_EQ(vectorhandlers().size(), vectors);
}

struct badtable {
  const char* name;
  standin::tensor T0, T1, T2;
  const char* code = "BSECO";  // BSAPO reads parameter entries 0, 2 and 4; BSECO none
};

std::vector<badtable> badtables() {
  using standin::integertensor;
  using standin::realtensor;
  const auto data = realtensor({6, 1}, {1, 100, 100, 0.2, 0.05, 0.02});
  const auto flags = integertensor({6}, {1, 1, 1, 1, 1, 1});
  const auto rows = realtensor({6, 2}, std::vector<double>(12, 0.0));
  return {
      {"data of rank 1", realtensor({6}, {1, 100, 100, 0.2, 0.05, 0.02}), flags, rows},
      {"data of rank 0", realtensor({}, {1}), flags, rows},
      {"more data rows than the handler reads", realtensor({7, 1}, std::vector<double>(7, 1)),
       flags, rows},
      {"data as integers", integertensor({6, 1}, {1, 100, 100, 0, 0, 0}), flags, rows},
      {"five flags", data, integertensor({5}, {1, 1, 1, 1, 1}), rows},
      {"flags as reals", data, realtensor({6}, std::vector<double>(6, 1)), rows},
      {"five parameter rows", data, flags, realtensor({5, 2}, std::vector<double>(10, 0))},
      {"parameter rows of rank 1", data, flags, realtensor({12}, std::vector<double>(12, 0))},
      {"grid entry asked for with one column", data, integertensor({6}, {1, 1, 0, 1, 1, 1}),
       realtensor({6, 1}, std::vector<double>(6, 0)), "BSAPO"},
      {"an entry asked for with no columns", data, integertensor({6}, {0, 1, 1, 1, 1, 1}),
       realtensor({6, 0}, {}), "BSAPO"},
      // Rank 3 or more with a zero leading dimension: no element, whatever the last two say.
      {"data of 6 rows holding nothing", realtensor({0, 6, 1}, {}), flags, rows},
      {"data of rank 4 holding nothing", realtensor({3, 0, 6, 1}, {}), flags, rows},
      {"flags of rank 3 holding nothing", data, integertensor({0, 2, 3}, {}), rows},
      {"parameter rows holding nothing", data, integertensor({6}, {0, 0, 0, 0, 0, 0}),
       realtensor({0, 6, 2}, {})},
      {"parameter rows at their defaults holding nothing", data, flags, realtensor({0, 6, 2}, {})},
  };
}

// Empty tensors lent as null pointers, then as a valid one-byte block (as hosts built on
// malloc(0) lend them), so that a read of a refused table shows under AddressSanitizer.
class EmptyStorage : public EntryPoints, public testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    EntryPoints::SetUp();
    host().lendonebyteforempty(GetParam());
  }
  void TearDown() override {
    host().lendonebyteforempty(false);
    EntryPoints::TearDown();
  }
};
INSTANTIATE_TEST_SUITE_P(NullOrOneByte, EmptyStorage, testing::Bool());

TEST_P(EmptyStorage, TablesOutsideTheContractAreRefusedBeforeTheHandler) {
  for (badtable& c : badtables()) {
    tables t{c.T0, c.T1, c.T2};
    double result = 0;
    CaptureStdout();
    EXPECT_EQ(invoke(scalarentry, c.code, t, &result), hoststatusok) << c.name;
    const std::string message = GetCapturedStdout();
    EXPECT_EQ(message.rfind("Input tables refused: ", 0), 0u) << c.name << ": " << message;
    EXPECT_EQ(message.find('\n'), message.size() - 1) << c.name << ": one line";
    EXPECT_TRUE(isundefined(result)) << c.name;

    hosttensor out = nullptr;
    CaptureStdout();
    EXPECT_EQ(invoke(vectorentry, "TESTVEC3", t, &out), hoststatusfunctionerror) << c.name;
    GetCapturedStdout();
    EXPECT_EQ(out, nullptr) << c.name;
  }
}

TEST_F(EntryPoints, TablesThatFitAreAccepted) {
  // A parameter table with one column serves every entry but the grid; the grid's two values
  // are only needed when its flag asks for them.
  tables t;
  t.T1 = standin::integertensor({6}, {0, 0, 1, 0, 0, 0});
  t.T2 = standin::realtensor({6, 1}, std::vector<double>(6, 1.0));
  double result = 0;
  EXPECT_EQ(invoke(scalarentry, "BSECO", t, &result), hoststatusok);
  EXPECT_FALSE(std::isnan(result));
  // ... and only for a handler that reads the grid: BSECO reads no parameter entry at all.
  t.T1 = standin::integertensor({6}, {1, 1, 0, 1, 1, 1});
  EXPECT_EQ(invoke(scalarentry, "BSECO", t, &result), hoststatusok);
  EXPECT_EQ(result, BlackScholes::blackscholescall(1, 100, 100, 0.2, 0.05, 0.02));
  t.T1 = standin::integertensor({6}, {1, 1, 1, 1, 1, 1});
  t.T2 = standin::realtensor({6, 2}, std::vector<double>(12, 0.0));
  // Flags of any rank with six elements or more; higher-rank data tables.
  t.T1 = standin::integertensor({2, 4}, {1, 1, 1, 1, 1, 1, 1, 1});
  t.T0 = standin::realtensor({1, 6, 1}, {1, 100, 100, 0.2, 0.05, 0.02});
  EXPECT_EQ(invoke(scalarentry, "BSECO", t, &result), hoststatusok);
  EXPECT_EQ(result, BlackScholes::blackscholescall(1, 100, 100, 0.2, 0.05, 0.02));
}

TEST_F(EntryPoints, MissingArgumentsAreRefused) {
  tables t;
  double result = 0;
  CaptureStdout();
  EXPECT_EQ(invoke(scalarentry, "BSECO", t, &result, 3), hoststatusfunctionerror);
  GetCapturedStdout();
  EXPECT_TRUE(isundefined(result));
  // No host table at all: nothing can be given back or asked, and nothing crashes.
  CaptureStdout();
  EXPECT_EQ(scalarentry(nullptr, 4, nullptr, &result), hoststatusfunctionerror);
  EXPECT_EQ(vectorentry(nullptr, 4, nullptr, nullptr), hoststatusfunctionerror);
  GetCapturedStdout();
  // A null argument array with a host table.
  CaptureStdout();
  EXPECT_EQ(scalarentry(host().table(), 4, nullptr, &result), hoststatusfunctionerror);
  GetCapturedStdout();
}

TEST_F(EntryPoints, ExceptionsStayInsideTheEntryPoint) {
  struct throwing {
    const char* code;
    const char* message;
  };
  for (const throwing& c : {throwing{"TESTTHROW", "Pricing failed: boom\n"},
                            throwing{"TESTALLOC", "Pricing failed: std::bad_alloc\n"}}) {
    tables t;
    double result = 0;
    CaptureStdout();
    EXPECT_EQ(invoke(scalarentry, c.code, t, &result), hoststatusfunctionerror);
    EXPECT_EQ(GetCapturedStdout(), c.message);
    EXPECT_TRUE(isundefined(result));
  }
  tables t;
  hosttensor out = nullptr;
  CaptureStdout();
  EXPECT_EQ(invoke(vectorentry, "TESTVECTHROW", t, &out), hoststatusfunctionerror);
  EXPECT_EQ(GetCapturedStdout(), "Pricing failed: vector boom\n");
  EXPECT_EQ(out, nullptr);
}

TEST_F(EntryPoints, VectorResultsCopyElementsOneToN) {
  struct vectorcase {
    const char* code;
    std::vector<double> expected;
  };
  const vectorcase cases[] = {
      {"TESTVEC3", {1.5, 2.5, 3.5}},  // count 3.9 truncates to 3
      {"TESTVEC0", {}},
      {"TESTVECNAN", {}},  // a count that is not a number gives an empty vector
      {"TESTVECNEG", {}},
  };
  for (const auto& c : cases) {
    tables t;
    hosttensor out = nullptr;
    EXPECT_EQ(invoke(vectorentry, c.code, t, &out), hoststatusok) << c.code;
    ASSERT_NE(out, nullptr) << c.code;
    standin::tensor* made = standin::tensor::from(out);
    EXPECT_EQ(made->dims, std::vector<hostinteger>{static_cast<hostinteger>(c.expected.size())});
    EXPECT_EQ(made->reals, c.expected) << c.code;
    standin::freeresult(out);
  }
}

TEST(Registries, InitialisingTwiceChangesNothing) {
  initializeregistries();
  const auto scalars = scalarhandlers();
  initializeregistries();
  EXPECT_EQ(scalarhandlers().size(), scalars.size());
  for (const auto& [code, entry] : scalars) {
    ASSERT_EQ(scalarhandlers().count(code), 1u) << code;
    EXPECT_EQ(scalarhandlers().at(code).function, entry.function) << code;
  }
  // Every code served by funvec is served by fun too.
  for (const auto& entry : vectorhandlers())
    if (entry.first.rfind("TEST", 0) != 0) {
      EXPECT_EQ(scalarhandlers().count(entry.first), 1u) << entry.first;
    }
}

// Registration takes every code of a handler's table; a code bound to a second handler is an
// error then, not a silent overwrite; the vector registry takes only the codes marked vector.
TEST(Registries, TablesAreRegisteredWholeAndChecked) {
  static constexpr coderow rows[] = {{"TESTA", 0, "T, S", "scalar only"},
                                     {"TESTB", 1, "T, S", "served by funvec too", true}};
  const scalarhandlerentry first{throwinghandler, tableof(rows), 2, readsentry(entrysteps)};
  scalarregistry scalars;
  registerhandler(scalars, first);
  ASSERT_EQ(scalars.size(), 2u);
  EXPECT_EQ(scalars.at("TESTB").rowcapacity, 2);
  EXPECT_EQ(scalars.at("TESTB").entries, readsentry(entrysteps));
  EXPECT_NO_THROW(registerhandler(scalars, first));  // the same again changes nothing
  EXPECT_EQ(scalars.size(), 2u);
  const scalarhandlerentry second{allocationhandler, tableof(rows), 2, noentries};
  EXPECT_THROW(registerhandler(scalars, second), std::logic_error);
  vectorregistry vectors;
  registerhandler(vectors, vectorhandlerentry{vectorthree, tableof(rows), 2, noentries});
  EXPECT_EQ(vectors.size(), 1u);
  EXPECT_EQ(vectors.count("TESTB"), 1u);
}

// The handler receives the variant the registry holds for the code: every code of the catalogue
// is registered with its own row's variant (funvec's codes in the vector registry too).
TEST(Registries, EveryCatalogueCodeCarriesItsVariant) {
  initializeregistries();
  for (const codetable& table : codecatalogue()) {
    for (const coderow& row : table) {
      ASSERT_EQ(scalarhandlers().count(row.code), 1u) << row.code;
      EXPECT_EQ(scalarhandlers().at(row.code).variant, row.variant) << row.code;
      if (!row.vector) continue;
      ASSERT_EQ(vectorhandlers().count(row.code), 1u) << row.code;
      EXPECT_EQ(vectorhandlers().at(row.code).variant, row.variant) << row.code;
    }
  }
}

}  // namespace
