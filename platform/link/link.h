// The link library: a two-way channel between the pricing library and the host kernel.
//
// The library side writes an expression token by token (VLPutFunction, VLPutInteger32,
// VLPutString), asks the host to evaluate it (processlink in the host's callback table), then
// reads the answer as packets (VLNextPacket, VLNewPacket) made of tokens (VLGetNext, VLGetString,
// VLReleaseString). The kernel side takes the written expression and queues answer packets with
// the C++ functions of namespace `vlkernel` below.
//
// Packets are read one at a time: VLNextPacket opens the next queued packet and returns its kind
// (a packet left open is dropped first); with nothing queued it returns 0 and opens nothing.
// VLNewPacket drops the open packet. VLGetNext moves to the next token of the open packet and
// returns its kind (0 when there is none); VLGetString reads that token (or the next one, when
// VLGetNext was not called for it) and succeeds only for a string token. A text obtained by
// VLGetString is owned by the link until VLReleaseString gives it back.
//
// Every operation accepts a null link and then does nothing (reads fail, kinds are 0).
// Not thread-safe: one link serves one thread; exchanges must not overlap.
#ifndef KZR_PLATFORM_LINK_H
#define KZR_PLATFORM_LINK_H

#include "hostinterface.h"  // hostlink

#ifdef __cplusplus
extern "C" {
#endif

// Packet kinds. Only 0 (no packet) and 3 (an evaluation's answer) have a fixed meaning for the
// library; the others stand for what a kernel sends besides answers.
enum {
  vlpacketnone = 0,
  vlpackettext = 2,
  vlpacketanswer = 3,
  vlpacketmessage = 5,
  vlpacketinput = 8,
};

// Token kinds.
enum {
  vltokennone = 0,
  vltokenstring = 34,
  vltokensymbol = 35,
  vltokeninteger = 43,
  vltokenreal = 42,
  vltokenfunction = 70,
};

int VLPutFunction(hostlink link, const char* head, int argumentcount);
int VLPutInteger32(hostlink link, int value);
int VLPutString(hostlink link, const char* text);
int VLNextPacket(hostlink link);
int VLNewPacket(hostlink link);
int VLGetNext(hostlink link);
int VLGetString(hostlink link, const char** text);
int VLReleaseString(hostlink link, const char* text);

// A new link, and its end. Used by the host, which hands the link out through getlink.
hostlink VLCreateLink(void);
void VLDestroyLink(hostlink link);

#ifdef __cplusplus
}  // extern "C"

#include <cstdint>
#include <string>
#include <vector>

namespace vlkernel {

// One token of an expression or a packet. A function token carries its head in `text` and the
// number of arguments that follow it in `integer`.
struct token {
  int kind = vltokennone;
  std::string text;
  std::int64_t integer = 0;

  static token string(std::string text) { return {vltokenstring, std::move(text), 0}; }
  static token symbol(std::string text) { return {vltokensymbol, std::move(text), 0}; }
  static token number(std::int64_t value) { return {vltokeninteger, std::string(), value}; }
  static token function(std::string head, std::int64_t count) {
    return {vltokenfunction, std::move(head), count};
  }
};

struct packet {
  int kind = vlpacketnone;
  std::vector<token> tokens;
};

// The tokens the library has written since the last take, in order; the link forgets them.
std::vector<token> takeexpression(hostlink link);
// The same into `into` (its earlier tokens dropped): the two buffers change places, so that a
// kernel that keeps `into` from one evaluation to the next allocates nothing per expression.
void takeexpression(hostlink link, std::vector<token>& into);
// Queues a packet for the library to read.
void putpacket(hostlink link, packet answer);
// An empty packet of the kind whose token storage is that of a packet the library has done with
// (none allocated when there is one), for the kernel's next answer.
packet newpacket(hostlink link, int kind);
// Packets queued and not yet opened or dropped.
std::size_t pendingpackets(hostlink link);
// Texts handed out by VLGetString and not yet given back.
long outstandingtexts(hostlink link);
// Every VL operation the library called on this link, in order, as "VLPutFunction HEAD N",
// "VLPutInteger32 N", "VLPutString TEXT", "VLNextPacket -> K", "VLNewPacket", "VLGetNext -> K",
// "VLGetString -> 0|1", "VLReleaseString"; kept while recording is on.
void recordcalls(hostlink link, bool on);
std::vector<std::string> calls(hostlink link);
void clearcalls(hostlink link);
// Drops everything queued, open or written (texts handed out stay valid until given back).
void reset(hostlink link);

}  // namespace vlkernel

#endif  // __cplusplus

#endif  // KZR_PLATFORM_LINK_H
