// The link library stand-in itself: expressions written by the library reach the kernel in order,
// packets and tokens are read as the callbacks rely on, and a null link is survived.
#include <gtest/gtest.h>

#include <cstring>

#include "link.h"

namespace {

class linklibrary : public ::testing::Test {
 protected:
  hostlink link = VLCreateLink();
  void TearDown() override { VLDestroyLink(link); }
};

TEST_F(linklibrary, anexpressionarrivesasitswrittentokens) {
  VLPutFunction(link, "EvaluatePacket", 1);
  VLPutFunction(link, "f", 2);
  VLPutInteger32(link, -7);
  VLPutString(link, "text");
  const std::vector<vlkernel::token> tokens = vlkernel::takeexpression(link);
  ASSERT_EQ(tokens.size(), 4u);
  EXPECT_EQ(tokens[0].kind, vltokenfunction);
  EXPECT_EQ(tokens[0].text, "EvaluatePacket");
  EXPECT_EQ(tokens[1].integer, 2);
  EXPECT_EQ(tokens[2].kind, vltokeninteger);
  EXPECT_EQ(tokens[2].integer, -7);
  EXPECT_EQ(tokens[3].kind, vltokenstring);
  EXPECT_EQ(tokens[3].text, "text");
  EXPECT_TRUE(vlkernel::takeexpression(link).empty());
}

// The kernel's allocation-free roads: an expression taken into a kept buffer drops what the
// buffer held and brings only the new tokens, twice in a row; a packet made from a dropped one's
// storage starts empty, of its kind, and reads as any other.
TEST_F(linklibrary, keptbuffersbringonlythenewtokens) {
  std::vector<vlkernel::token> kept = {vlkernel::token::string("stale")};
  for (int round = 0; round < 2; ++round) {
    VLPutFunction(link, "f", 1);
    VLPutInteger32(link, round);
    vlkernel::takeexpression(link, kept);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].text, "f");
    EXPECT_EQ(kept[1].integer, round);
    EXPECT_TRUE(vlkernel::takeexpression(link).empty());
  }
  vlkernel::putpacket(link, {vlpacketanswer, {vlkernel::token::string("first")}});
  EXPECT_EQ(VLNextPacket(link), vlpacketanswer);
  EXPECT_EQ(VLNewPacket(link), 1);
  vlkernel::packet reused = vlkernel::newpacket(link, vlpackettext);
  EXPECT_EQ(reused.kind, vlpackettext);
  EXPECT_TRUE(reused.tokens.empty());
  reused.tokens.push_back(vlkernel::token::string("second"));
  vlkernel::putpacket(link, std::move(reused));
  EXPECT_EQ(VLNextPacket(link), vlpackettext);
  const char* text = nullptr;
  ASSERT_EQ(VLGetString(link, &text), 1);
  EXPECT_STREQ(text, "second");
  EXPECT_EQ(VLReleaseString(link, text), 1);
  EXPECT_EQ(vlkernel::newpacket(nullptr, vlpacketanswer).tokens.size(), 0u);
}

TEST_F(linklibrary, packetsandtokensarereadinorder) {
  vlkernel::putpacket(link, {vlpackettext, {vlkernel::token::string("noise")}});
  vlkernel::putpacket(link, {vlpacketanswer,
                             {vlkernel::token::string("one"), vlkernel::token::number(2),
                              vlkernel::token::string("three")}});
  EXPECT_EQ(VLNextPacket(link), vlpackettext);
  EXPECT_EQ(VLNewPacket(link), 1);
  EXPECT_EQ(VLNextPacket(link), vlpacketanswer);
  const char* text = nullptr;
  // VLGetString without VLGetNext reads the next token.
  ASSERT_EQ(VLGetString(link, &text), 1);
  EXPECT_STREQ(text, "one");
  EXPECT_EQ(vlkernel::outstandingtexts(link), 1);
  EXPECT_EQ(VLReleaseString(link, text), 1);
  EXPECT_EQ(VLGetNext(link), vltokeninteger);
  EXPECT_EQ(VLGetString(link, &text), 0) << "an integer token is no string";
  EXPECT_EQ(VLGetNext(link), vltokenstring);
  ASSERT_EQ(VLGetString(link, &text), 1);
  EXPECT_STREQ(text, "three");
  VLReleaseString(link, text);
  EXPECT_EQ(VLGetNext(link), vltokennone);
  EXPECT_EQ(VLGetString(link, &text), 0);
  EXPECT_EQ(vlkernel::outstandingtexts(link), 0);
  // Nothing queued: kind 0, and reads fail.
  EXPECT_EQ(VLNextPacket(link), vlpacketnone);
  EXPECT_EQ(VLGetNext(link), vltokennone);
}

TEST_F(linklibrary, apacketleftopenisdroppedbythenextread) {
  vlkernel::putpacket(link, {vlpacketanswer, {vlkernel::token::number(1)}});
  vlkernel::putpacket(link, {vlpacketmessage, {}});
  EXPECT_EQ(VLNextPacket(link), vlpacketanswer);
  EXPECT_EQ(vlkernel::pendingpackets(link), 1u);
  EXPECT_EQ(VLNextPacket(link), vlpacketmessage);
  EXPECT_EQ(vlkernel::pendingpackets(link), 0u);
}

TEST(linklibrarynull, everyoperationsurvivesanulllink) {
  const char* text = "unchanged";
  EXPECT_EQ(VLPutFunction(nullptr, "f", 1), 0);
  EXPECT_EQ(VLPutInteger32(nullptr, 1), 0);
  EXPECT_EQ(VLPutString(nullptr, "x"), 0);
  EXPECT_EQ(VLNextPacket(nullptr), vlpacketnone);
  EXPECT_EQ(VLNewPacket(nullptr), 0);
  EXPECT_EQ(VLGetNext(nullptr), vltokennone);
  EXPECT_EQ(VLGetString(nullptr, &text), 0);
  EXPECT_STREQ(text, "unchanged");
  EXPECT_EQ(VLReleaseString(nullptr, text), 0);
  EXPECT_TRUE(vlkernel::takeexpression(nullptr).empty());
}

}  // namespace
