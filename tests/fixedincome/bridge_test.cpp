// The fifun call path: the date rule, the conversion of the eleven tables (order of the kernel
// callbacks, overwriting keys, series and views), the shape of the result table, and every way a
// call ends with status 0. Library functions are injected into an in-process copy of the entry
// point, so that what the bridge hands over and writes back can be seen directly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

#include <ql/errors.hpp>

#include "fiframe.h"
#include "fixedincome/FixedIncome.h"
#include "link.h"
#include "numerics/undefined.h"

namespace {

using fitest::frame;
using standin::fixedincomeresult;

// What an injected function saw of its input.
struct seen {
  std::map<std::string, double> numbers;
  std::map<std::string, QuantLib::Date> dates;
  std::map<std::string, std::string> texts;
  std::map<std::string, std::vector<double>> lists;
  std::vector<std::pair<int, std::vector<double>>> views8, views9, views10;  // count, 3 values
  datedseries series8, series9;
  std::vector<double> values10;
  bool empties = true;  // the spare fields stayed empty
};
seen lastinput;

std::vector<std::pair<int, std::vector<double>>> copyviews(const std::vector<seriesview>& v) {
  std::vector<std::pair<int, std::vector<double>>> out;
  for (const seriesview& s : v) out.push_back({s.count, {s.values[0], s.values[1], s.values[2]}});
  return out;
}

void capture(fiinputholder& input, fioutputholder& output) {
  const fiinput& in = *input;
  lastinput = seen{};
  lastinput.numbers = in.numbermap;
  lastinput.dates = in.datemap;
  lastinput.texts = in.textmap;
  lastinput.lists = in.listmap;
  lastinput.views8 = copyviews(in.views8);
  lastinput.views9 = copyviews(in.views9);
  lastinput.series8 = in.series8;
  lastinput.series9 = in.series9;
  for (const seriesview& s : in.views10) lastinput.views10.push_back({s.count, {s.values[0]}});
  lastinput.values10.assign(in.values10.elements.get(),
                            in.values10.elements.get() + in.values10.size);
  lastinput.empties = in.sparevalues.empty() && in.spareviews1.empty() && in.spareviews2.empty();
  output->scalar = 1.5;
}

void threeandfive(fiinputholder&, fioutputholder& output) {
  output->values = {10.0, 20.0, 30.0};
  for (int k = 1; k <= 5; ++k)
    output->datedvalues.push_back({QuantLib::Date(k, QuantLib::Month(k + 1), 2020 + k), 100.0 * k});
  output->scalar = -2.25;
}
void nothing(fiinputholder&, fioutputholder&) {}
void partialthenthrow(fiinputholder&, fioutputholder& output) {
  output->values = {7.0, 8.0};
  output->scalar = 3.0;
  throw std::runtime_error("the curve did not bootstrap");
}
void throwsinteger(fiinputholder&, fioutputholder&) { throw 42; }
void nulldate(fiinputholder&, fioutputholder& output) {
  output->scalar = 4.0;
  output->values = {1.0};
  output->datedvalues.push_back({QuantLib::Date(), 5.0});
}

class bridge : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    auto& handlers = FixedIncome::fixedincomehandlers();
    FixedIncome::fillfixedincomehandlers();
    handlers["TestCapture"] = capture;
    handlers["TestThreeAndFive"] = threeandfive;
    handlers["TestNothing"] = nothing;
    handlers["TestPartial"] = partialthenthrow;
    handlers["TestInteger"] = throwsinteger;
    handlers["TestNullDate"] = nulldate;
  }
  void SetUp() override { testsupport::library().setlinkbehaviour({}); }
  void TearDown() override {
    EXPECT_EQ(testsupport::library().outstandingshares(), 0) << "every table is given back";
    EXPECT_EQ(vlkernel::outstandingtexts(testsupport::library().link()), 0);
    // Some of these tests set texts under fixed ids; the texts of later tests start afresh.
    testsupport::library().cleartexts();
  }
  static fixedincomeresult run(const std::string& name, const frame& inputs,
                               std::vector<std::string>* shown = nullptr) {
    fixedincomeresult result;
    const std::vector<std::string> messages =
        fitest::shownafter(name, inputs, result, FixedIncome::fifunentry);
    if (shown != nullptr) *shown = messages;
    return result;
  }
};

std::string datetext(const QuantLib::Date& d) {
  if (d == QuantLib::Date()) return "null";
  return std::to_string(d.year()) + "-" + std::to_string(static_cast<int>(d.month())) + "-" +
         std::to_string(d.dayOfMonth());
}

// The date rule: years up to 1901 give the null date; QuantLib's own checks and texts otherwise.
TEST(daterule, rowsgivedatesornulldatesorquantlibtexts) {
  struct row {
    double year, month, day;
    const char* expected;  // the date, "null", or the error text
  };
  const double nan = std::nan("");
  const row rows[] = {
      {1901, 5, 5, "null"},
      {0, 0, 0, "null"},
      {-5, 40, 99, "null"},
      {nan, 1, 1, "null"},  // NaN truncates to year 0
      {1902, 1, 1, "1902-1-1"},
      {2020.9, 6.7, 30.2, "2020-6-30"},  // each part truncated toward zero
      {2199, 12, 31, "2199-12-31"},
      {2019, 2, 29, "day outside month (2) day-range [1,28]"},
      {2020, 2, 30, "day outside month (2) day-range [1,29]"},
      {2250, 1, 1, "year 2250 out of bound. It must be in [1901,2199]"},
      {2200, 13, 1, "year 2200 out of bound. It must be in [1901,2199]"},
      {2020, 13, 1, "month 13 outside January-December range [1,12]"},
      {2020, 0, 1, "month 0 outside January-December range [1,12]"},
      {2020, 1e10, 1, "month 2147483647 outside January-December range [1,12]"},
      {2020, -1e10, 1, "month -2147483648 outside January-December range [1,12]"},
      {1e300, 1, 1, "year 2147483647 out of bound. It must be in [1901,2199]"},
      {2020, 1, 0, "day outside month (1) day-range [1,31]"},
  };
  for (const row& r : rows) {
    std::string got;
    try {
      got = datetext(FixedIncome::dateofrow(r.year, r.month, r.day));
    } catch (const QuantLib::Error& error) {
      got = error.what();
    }
    EXPECT_EQ(got, r.expected) << "row {" << r.year << ", " << r.month << ", " << r.day << "}";
  }
  // 1 January 1902 is serial 367 + 365: the day after 1901, QuantLib's first year.
  EXPECT_EQ(FixedIncome::dateofrow(1902, 1, 1).serialNumber(), 732);
}

TEST_F(bridge, everytablearrivesinitsfield) {
  frame f;
  f.number("Notional", 1e6).date("Start", 2020, 6, 30).text("Index", "Euribor6M");
  f.list("Strikes", {0.01, 0.02, 0.03});
  f.series8 = {{2, 2020, 6, 30, 0.05, 0.07}};
  f.series9 = {{1, 2021, 12, 31, 0.5}, {0, 1901, 1, 1, -1}};
  f.table10 = {{3, 4, 5, 6}, {9, 8, 7, 6}};
  const fixedincomeresult result = run("TestCapture", f);
  ASSERT_EQ(result.status, hoststatusok);
  EXPECT_EQ(result.at(1, 1), 1.0);
  EXPECT_EQ(result.at(2, 1), 1.5);

  EXPECT_EQ(lastinput.numbers, (std::map<std::string, double>{{"Notional", 1e6}}));
  EXPECT_EQ(lastinput.texts, (std::map<std::string, std::string>{{"Index", "Euribor6M"}}));
  ASSERT_EQ(lastinput.dates.count("Start"), 1u);
  EXPECT_EQ(lastinput.dates["Start"], QuantLib::Date(30, QuantLib::June, 2020));
  EXPECT_EQ(lastinput.lists["Strikes"], (std::vector<double>{0.01, 0.02, 0.03}));
  // T8 row {2, 2020, 6, 30, 0.05, 0.07}: a view of count 2 starting at 2020, and 30 June 2020
  // with value 0.05.
  ASSERT_EQ(lastinput.views8.size(), 1u);
  EXPECT_EQ(lastinput.views8[0].first, 2);
  EXPECT_EQ(lastinput.views8[0].second, (std::vector<double>{2020, 6, 30}));
  ASSERT_EQ(lastinput.series8.dates.size(), 1u);
  EXPECT_EQ(lastinput.series8.dates[0], QuantLib::Date(30, QuantLib::June, 2020));
  EXPECT_EQ(lastinput.series8.values, (std::vector<double>{0.05}));
  ASSERT_EQ(lastinput.series9.dates.size(), 2u);
  EXPECT_EQ(lastinput.series9.dates[1], QuantLib::Date());  // year 1901: the null date
  EXPECT_EQ(lastinput.series9.values, (std::vector<double>{0.5, -1}));
  // values10: the C - 1 values after the first value of T10's storage.
  EXPECT_EQ(lastinput.values10, (std::vector<double>{4, 5, 6}));
  ASSERT_EQ(lastinput.views10.size(), 2u);
  EXPECT_EQ(lastinput.views10[1].first, 9);
  EXPECT_EQ(lastinput.views10[1].second[0], 8);
  EXPECT_TRUE(lastinput.empties);
}

TEST_F(bridge, alaterrowwiththesamenameoverwrites) {
  standin::host& host = testsupport::library();
  // Two ids that retrieve the same name: the later row's value stays.
  host.settext(9001, "Spread");
  host.settext(9002, "Spread");
  frame f;
  f.numberids = {9001, 9002};
  f.numbers = {{0.01}, {0.02}};
  run("TestCapture", f);
  EXPECT_EQ(lastinput.numbers, (std::map<std::string, double>{{"Spread", 0.02}}));
  // Ids the kernel does not know all come back as "muhaha" and fall onto one entry.
  f.numberids = {777777, 777778};
  run("TestCapture", f);
  EXPECT_EQ(lastinput.numbers, (std::map<std::string, double>{{"muhaha", 0.02}}));
}

TEST_F(bridge, conversionsaskthekernelinafixedorder) {
  standin::host& host = testsupport::library();
  for (int id : {11, 21, 22, 31, 41}) host.settext(id, "name" + std::to_string(id));
  frame f;
  f.numberids = {41};
  f.numbers = {{1.0}};
  f.dateids = {31};
  f.dates = {{2020, 1, 1}};
  f.textids = {22};
  f.texts = {{21.0}};  // the text's value id, fetched before its key
  f.listids = {11};
  f.lists = {{0}};
  const hostlink link = host.link();
  vlkernel::clearcalls(link);
  vlkernel::recordcalls(link, true);
  run("TestCapture", f);
  vlkernel::recordcalls(link, false);
  std::vector<std::string> sent;
  for (const std::string& c : vlkernel::calls(link))
    if (c.rfind("VLPutInteger32 ", 0) == 0) sent.push_back(c.substr(15));
  EXPECT_EQ(sent, (std::vector<std::string>{"11", "21", "22", "31", "41"}));
  EXPECT_EQ(lastinput.texts, (std::map<std::string, std::string>{{"name22", "name21"}}));
}

TEST_F(bridge, thefirstfailingconversionisreportedandnothinglaterisasked) {
  frame f;
  f.series8 = {{0, 2019, 2, 29, 1.0}};  // T8 is converted before any named table
  f.date("Maturity", 2250, 1, 1);
  const hostlink link = testsupport::library().link();
  vlkernel::clearcalls(link);
  vlkernel::recordcalls(link, true);
  std::vector<std::string> shown;
  const fixedincomeresult result = run("TestCapture", f, &shown);
  vlkernel::recordcalls(link, false);
  EXPECT_EQ(shown, (std::vector<std::string>{"day outside month (2) day-range [1,28]"}));
  EXPECT_EQ(result.at(1, 1), 0.0);
  for (const std::string& c : vlkernel::calls(link))
    EXPECT_NE(c.rfind("VLPutInteger32", 0), 0u) << "no name was fetched: " << c;
}

TEST_F(bridge, resultshapes) {
  // Three values and five dated values: a 7 x 5 table, row 3 written in columns 1 to 3.
  fixedincomeresult r = run("TestThreeAndFive", frame());
  ASSERT_EQ(r.dims, (std::vector<hostinteger>{7, 5}));
  EXPECT_EQ(r.at(1, 1), 1.0);
  EXPECT_EQ(r.at(2, 1), -2.25);
  for (int k = 2; k <= 5; ++k) EXPECT_EQ(r.at(1, k), 0.0) << "status row, column " << k;
  EXPECT_EQ(r.at(3, 1), 10.0);
  EXPECT_EQ(r.at(3, 3), 30.0);
  EXPECT_EQ(r.at(3, 4), 0.0);
  for (int k = 1; k <= 5; ++k) {
    EXPECT_EQ(r.at(4, k), 2020.0 + k) << "column " << k;
    EXPECT_EQ(r.at(5, k), k + 1.0) << "column " << k;
    EXPECT_EQ(r.at(6, k), k) << "column " << k;
    EXPECT_EQ(r.at(7, k), 100.0 * k) << "column " << k;
  }
  // Nothing filled: 7 x 1, and the scalar no function set is the undefined value.
  r = run("TestNothing", frame());
  ASSERT_EQ(r.dims, (std::vector<hostinteger>{7, 1}));
  EXPECT_EQ(r.at(1, 1), 1.0);
  EXPECT_TRUE(isundefined(r.at(2, 1)));
  EXPECT_EQ(testsupport::library().outstandingresults(), 0);
}

TEST_F(bridge, failuresendinstatuszerowithamessage) {
  struct row {
    const char* name;
    std::vector<std::string> shown;
    std::vector<hostinteger> dims;
    double scalar;      // NaN: the undefined value
    double firstvalue;  // element (3,1)
  };
  const double undefined = std::nan("");
  const row rows[] = {
      // The partial results stand as the failed work left them.
      {"TestPartial", {"the curve did not bootstrap"}, {7, 2}, 3.0, 7.0},
      {"TestInteger", {"Fixed-income call failed: unknown error"}, {7, 1}, undefined, 0.0},
      // A date that cannot be written: told once, then the scalar alone.
      {"TestNullDate",
       {"the date of dated value 1 lies outside 1901 to 2199 and cannot be written"},
       {7, 1},
       4.0,
       0.0},
      {"CapFloor", {"CapFloor: the text \"Curve\" is missing"}, {7, 1}, undefined, 0.0},
  };
  for (const row& r : rows) {
    std::vector<std::string> shown;
    const fixedincomeresult result = run(r.name, frame(), &shown);
    EXPECT_EQ(result.status, hoststatusok) << r.name;
    EXPECT_EQ(shown, r.shown) << r.name;
    ASSERT_EQ(result.dims, r.dims) << r.name;
    EXPECT_EQ(result.at(1, 1), 0.0) << r.name;
    if (std::isnan(r.scalar))
      EXPECT_TRUE(isundefined(result.at(2, 1))) << r.name;
    else
      EXPECT_EQ(result.at(2, 1), r.scalar) << r.name;
    EXPECT_EQ(result.at(3, 1), r.firstvalue) << r.name;
  }
}

TEST_F(bridge, anunknownnameleavestheregistryasitis) {
  const std::size_t before = FixedIncome::fixedincomehandlers().size();
  std::vector<std::string> shown;
  const fixedincomeresult result = run("Bond", frame(), &shown);
  EXPECT_EQ(FixedIncome::fixedincomehandlers().size(), before);
  EXPECT_EQ(FixedIncome::fixedincomehandlers().count("Bond"), 0u);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].rfind("Unknown fixed-income function: Bond; the functions are: BondOption, "
                           "CalendarUtilities, CalibrateModel, CapFloor, CreditSwap, Curve, ",
                           0),
            0u)
      << shown[0];
  EXPECT_EQ(result.dims, (std::vector<hostinteger>{7, 1}));
  EXPECT_EQ(result.at(1, 1), 0.0);
}

// Tables outside what the conversions read are refused before any row is read.
TEST_F(bridge, tablesoutsidethecontractarerefused) {
  struct row {
    const char* what;
    int k;  // the table replaced
    standin::tensor replacement;
    const char* shown;
  };
  const std::string refused = "Fixed-income tables refused: ";
  std::vector<row> rows;
  rows.push_back(
      {"T8 of rank 1", 8, standin::realtensor({5}, {0, 2020, 1, 1, 1}), "T8 needs rank 2 or more"});
  rows.push_back({"T9 rows of four values", 9, standin::realtensor({1, 4}, {0, 2020, 1, 1}),
                  "T9 rows need at least 5 values (count, year, month, day, amount)"});
  rows.push_back({"T10 of rank 0", 10, standin::realtensor({}, {1}), "T10 needs rank 2 or more"});
  rows.push_back({"T10 with no columns", 10, standin::realtensor({2, 0}, {}),
                  "T10 rows need at least 1 value (a count)"});
  rows.push_back(
      {"T3 shorter than T2", 3, standin::realtensor({0, 3}, {}), "T3 has 0 rows, T2 names 1"});
  rows.push_back({"T3 rows of two values", 3, standin::realtensor({1, 2}, {2020, 1}),
                  "T3 rows need at least 3 values (year, month, day)"});
  rows.push_back(
      {"T0 of reals", 0, standin::realtensor({1, 1}, {5}), "T0 must be an integer tensor"});
  rows.push_back(
      {"T1 of integers", 1, standin::integertensor({1, 1}, {5}), "T1 must be a real tensor"});
  rows.push_back({"T7 with a negative dimension", 7, standin::realtensor({1, -1}, {}),
                  "T7 has a negative dimension"});
  rows.push_back({"a list longer than its row", 7, standin::realtensor({1, 3}, {3, 1, 2}),
                  "row 1 of T7 gives a list of 3 values but holds 2"});
  for (row& r : rows) {
    frame f;
    f.number("x", 1).date("d", 2020, 1, 1).list("l", {1, 2});
    std::array<standin::tensor, 11> t = f.build();
    t[r.k] = r.replacement;
    testsupport::library().clearshownmessages();
    const fixedincomeresult result =
        testsupport::library().fifun("TestCapture", fitest::pointers(t), FixedIncome::fifunentry);
    EXPECT_EQ(testsupport::library().shownmessages(), (std::vector<std::string>{refused + r.shown}))
        << r.what;
    EXPECT_EQ(result.at(1, 1), 0.0) << r.what;
  }
  // A negative list length fails with the standard library's own text.
  frame f;
  f.listids = {frame::id("l")};
  f.lists = {{-1, 5}};
  std::vector<std::string> shown;
  run("TestCapture", f, &shown);
  EXPECT_EQ(shown, (std::vector<std::string>{"cannot create std::vector larger than max_size()"}));
}

// Not-a-number and infinite values are survived: truncations are defined for every double.
TEST_F(bridge, nonfinitevaluesaresurvived) {
  const double nan = std::nan(""), inf = HUGE_VAL;
  frame f;
  f.listids = {frame::id("nanlength")};
  f.lists = {{nan, 1, 2}};  // a length of NaN is 0
  f.textids = {frame::id("nanid")};
  f.texts = {{nan}};  // a text id of NaN is 0, which the kernel does not know
  f.table10 = {{nan, inf}};
  f.series8 = {{-inf, 1901, 1, 1, nan}};
  f.number("n", nan);
  const fixedincomeresult result = run("TestCapture", f);
  EXPECT_EQ(result.at(1, 1), 1.0);
  EXPECT_EQ(lastinput.lists["nanlength"], std::vector<double>());
  EXPECT_EQ(lastinput.texts["nanid"], "muhaha");
  EXPECT_EQ(lastinput.views10[0].first, 0);
  EXPECT_EQ(lastinput.views8[0].first, std::numeric_limits<std::int32_t>::min());
  EXPECT_TRUE(std::isnan(lastinput.numbers["n"]));

  frame g;
  g.listids = {frame::id("inflength")};
  g.lists = {{inf, 1}};
  std::vector<std::string> shown;
  run("TestCapture", g, &shown);
  EXPECT_EQ(shown, (std::vector<std::string>{"Fixed-income tables refused: row 1 of T7 gives a "
                                             "list of 2147483647 values but holds 1"}));
  frame h;
  h.date("d", inf, 1, 1);
  run("TestCapture", h, &shown);
  EXPECT_EQ(shown,
            (std::vector<std::string>{"year 2147483647 out of bound. It must be in [1901,2199]"}));
}

TEST_F(bridge, thecodetextisgivenbackatthenextcallandthetablesinorder) {
  standin::host& host = testsupport::library();
  run("TestNothing", frame());
  host.clearevents();
  host.recordevents(true);
  run("TestNothing", frame());
  host.recordevents(false);
  std::vector<std::string> expected{"releasestring TestNothing"};
  for (int k = 0; k <= 10; ++k) expected.push_back("releasetensor T" + std::to_string(k));
  EXPECT_EQ(host.events(), expected);
}

TEST_F(bridge, acallwithouttablesisrefused) {
  standin::host& host = testsupport::library();
  char* text = standin::lendstring("DayCount");
  hostargument cells[1] = {&text};
  hosttensor out = nullptr;
  host.clearshownmessages();
  EXPECT_EQ(FixedIncome::fifunentry(host.table(), 1, cells, &out), hoststatusfunctionerror);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(host.shownmessages(),
            (std::vector<std::string>{"fifun takes an instrument name and eleven tables"}));
}

// The exported fifun of the loaded library runs the same path.
TEST_F(bridge, theexportedentrypointanswers) {
  frame f;
  f.date("StartDate", 2024, 1, 1).date("EndDate", 2024, 7, 1).text("DayCounter", "Actual360");
  const fixedincomeresult result = fitest::call("DayCount", f);
  ASSERT_EQ(result.dims, (std::vector<hostinteger>{7, 1}));
  EXPECT_EQ(result.at(1, 1), 1.0);
  EXPECT_EQ(result.at(2, 1), 182.0);  // 31 + 29 + 31 + 30 + 31 + 30 days
}

}  // namespace
