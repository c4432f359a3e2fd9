// Recording a batch line's writing and writing it out later (possibly on another process): the
// bytes, the fresh-line points and the transport; and the progress line's text.
#include "lineoutput.h"

#include <gtest/gtest.h>

#include <iostream>

#include "progress.h"

namespace {

lineoutput record(const std::string& message, bool result, const std::string& error) {
  recordedline recording;
  std::cout << message << std::flush;  // a library message, perhaps without its line end
  if (result) {
    startline();
    std::cout << "2: 1.5\n";
  }
  std::cerr << error;
  return recording.take();
}

TEST(LineOutput, WritesOutAsTheLineWouldHaveWrittenItAfterWhateverCameBefore) {
  trackstandardoutput();
  const lineoutput refused = record("Singular matrix", false, "kzr: line 1: refused\n");
  const lineoutput answered = record("", true, "");
  const lineoutput withnul = record(std::string("a\0b\n", 4), false, "");
  EXPECT_EQ(refused.err, "kzr: line 1: refused\n");
  EXPECT_TRUE(answered.err.empty());

  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  writeout(answered);  // at a line start: no line end added
  writeout(refused);
  writeout(answered);  // after a message without its line end: one added
  writeout(withnul);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "kzr: line 1: refused\n");
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            std::string("2: 1.5\nSingular matrix\n2: 1.5\na\0b\n", 34));
}

TEST(LineOutput, APrefixStartsEveryLineAndAnOpenLineIsClosed) {
  trackstandardoutput();
  lineoutput line;
  {
    recordedline recording("7: ");
    std::cout << "Singular matrix" << std::flush;  // no line end
    startline();
    std::cout << "1.5\nsecond\n";
    std::cout << "open" << std::flush;
    line = recording.take();
  }
  testing::internal::CaptureStdout();
  writeout(line);
  std::cout << "8: next\n" << std::flush;
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "7: Singular matrix\n7: 1.5\n7: second\n7: open\n8: next\n");
}

TEST(LineOutput, RecordsTravelAsBytesAndMalformedBytesAreRefused) {
  lineoutput first{3, 2, std::string("x\0ny\0\0", 6), "kzr: line 3: oops\n"};
  lineoutput second{17, 0, "17: 4.25\n", ""};
  std::string bytes;
  appendrecord(bytes, first);
  appendrecord(bytes, second);
  std::vector<lineoutput> read;
  ASSERT_TRUE(readrecords(bytes, read));
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].number, 3);
  EXPECT_EQ(read[0].status, 2);
  EXPECT_EQ(read[0].out, first.out);
  EXPECT_EQ(read[0].err, first.err);
  EXPECT_EQ(read[1].out, second.out);
  for (const std::size_t cut : {bytes.size() - 1, std::size_t{5}, std::size_t{20}}) {
    std::vector<lineoutput> untouched(1);
    EXPECT_FALSE(readrecords(bytes.substr(0, cut), untouched)) << cut;
    EXPECT_EQ(untouched.size(), 1u);
  }
}

TEST(Progress, SaysLinesDoneRateAndTimeLeft) {
  EXPECT_EQ(progressline::text(0, 2000, 0), "kzr: 0 of 2000 lines");
  EXPECT_EQ(progressline::text(500, 2000, 2), "kzr: 500 of 2000 lines, 250 lines/s, 6s left");
  EXPECT_EQ(progressline::text(10, 1000, 1), "kzr: 10 of 1000 lines, 10 lines/s, 1m39s left");
  EXPECT_EQ(progressline::text(10, 100000, 1), "kzr: 10 of 100000 lines, 10 lines/s, 2h46m left");
  EXPECT_EQ(progressline::text(40, -1, 4), "kzr: 40 lines, 10 lines/s");  // standard input
  EXPECT_EQ(progressline::text(5120, 10240, 1), "kzr: 5120 of 10240 lines, 5120 lines/s, 1s left");
}

}  // namespace
