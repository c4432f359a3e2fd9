// retrievestring and printmessage over the link against the kernel stand-in: the exact sequence of
// link calls for every way the kernel can answer, and the one cached link.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binding/kernelcallbacks.h"
#include "link.h"
#include "testsupport.h"

namespace {

using calls = std::vector<std::string>;
using standin::linkbehaviour;

const std::string retrievalhead = "VLPutFunction Finance`FIDerivalixDump`retrievestring 1";
const std::string messagehead = "VLPutFunction Finance`FIDerivalixDump`printmessage 1";

class kernelcallbacks : public ::testing::Test {
 protected:
  standin::host& host = testsupport::library();
  hostlink link = host.link();

  void SetUp() override {
    host.setlinkbehaviour({});
    vlkernel::reset(link);
    vlkernel::clearcalls(link);
    vlkernel::recordcalls(link, true);
  }
  void TearDown() override {
    vlkernel::recordcalls(link, false);
    host.setlinkbehaviour({});
    vlkernel::reset(link);
    EXPECT_EQ(vlkernel::outstandingtexts(link), 0) << "every text read is given back";
  }
  std::string retrieve(std::int64_t id) { return retrievestring(host.table(), id); }
};

TEST_F(kernelcallbacks, retrievalpacketsequences) {
  host.settext(7, "Coupon");
  struct row {
    const char* what;
    linkbehaviour behaviour;
    std::string expected;
    calls reading;  // the calls after the three puts
  };
  using kind = linkbehaviour::answerkind;
  const std::vector<row> rows = {
      {"a string answer",
       {{}, kind::string},
       "Coupon",
       {"VLNextPacket -> 3", "VLGetNext -> 34", "VLGetString -> 1", "VLReleaseString",
        "VLNewPacket"}},
      {"packets of other kinds first are discarded one by one",
       {{2, 5, 8}, kind::string},
       "Coupon",
       {"VLNextPacket -> 2", "VLNewPacket", "VLNextPacket -> 5", "VLNewPacket", "VLNextPacket -> 8",
        "VLNewPacket", "VLNextPacket -> 3", "VLGetNext -> 34", "VLGetString -> 1",
        "VLReleaseString", "VLNewPacket"}},
      {"a packet of kind 0 ends the wait",
       {{2}, kind::endpacket},
       "muhaha",
       {"VLNextPacket -> 2", "VLNewPacket", "VLNextPacket -> 0", "VLGetNext -> 0"}},
      {"an integer answer; the rest of the packet is not discarded",
       {{}, kind::integer},
       "muhaha",
       {"VLNextPacket -> 3", "VLGetNext -> 43"}},
  };
  for (const row& r : rows) {
    host.setlinkbehaviour(r.behaviour);
    vlkernel::reset(link);
    vlkernel::clearcalls(link);
    EXPECT_EQ(retrieve(7), r.expected) << r.what;
    calls expected{"VLPutFunction EvaluatePacket 1", retrievalhead, "VLPutInteger32 7"};
    expected.insert(expected.end(), r.reading.begin(), r.reading.end());
    EXPECT_EQ(vlkernel::calls(link), expected) << r.what;
  }
}

TEST_F(kernelcallbacks, idsaresentastheirlow32bits) {
  host.settext(5, "five");
  host.settext(-1, "minus one");
  EXPECT_EQ(retrieve((std::int64_t{1} << 32) + 5), "five");
  EXPECT_EQ(retrieve(0xFFFFFFFFLL), "minus one");
  EXPECT_EQ(retrieve(-1), "minus one");
  // An id the kernel does not know is answered with a symbol, not a string.
  EXPECT_EQ(retrieve(123456789), "muhaha");
}

TEST_F(kernelcallbacks, printmessagereadsoneanswerpacket) {
  host.clearshownmessages();
  printmessage(host.table(), "year 2250 out of bound");
  EXPECT_EQ(host.shownmessages(), (std::vector<std::string>{"year 2250 out of bound"}));
  EXPECT_EQ(vlkernel::calls(link),
            (calls{"VLPutFunction EvaluatePacket 1", messagehead,
                   "VLPutString year 2250 out of bound", "VLNextPacket -> 3", "VLNewPacket"}));
  // With another packet first, only that one is read; the answer stays queued.
  host.setlinkbehaviour({{2}, linkbehaviour::answerkind::string});
  vlkernel::clearcalls(link);
  printmessage(host.table(), "again");
  EXPECT_EQ(vlkernel::calls(link), (calls{"VLPutFunction EvaluatePacket 1", messagehead,
                                          "VLPutString again", "VLNextPacket -> 2"}));
  EXPECT_EQ(vlkernel::pendingpackets(link), 1u);
}

hostlink otherlink(librarydata) {
  ADD_FAILURE() << "getlink of a second callback table was called";
  return nullptr;
}

TEST_F(kernelcallbacks, thelinkistakenonceandshared) {
  const long before = host.getlinkcalls();
  const bool first = kernellink() == nullptr;
  retrieve(1);
  EXPECT_EQ(host.getlinkcalls(), before + (first ? 1 : 0));
  EXPECT_EQ(kernellink(), link);
  // Later calls, with another callback table too, keep the cached link.
  librarydatatable other = *host.table();
  other.getlink = otherlink;
  host.settext(3, "three");
  EXPECT_EQ(retrievestring(&other, 3), "three");
  printmessage(&other, "shown");
  EXPECT_EQ(host.getlinkcalls(), before + (first ? 1 : 0));
}

}  // namespace
