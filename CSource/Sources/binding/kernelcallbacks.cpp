#include "binding/kernelcallbacks.h"

#include "link.h"

namespace {

hostlink cachedlink = nullptr;

constexpr int packetend = 0;
constexpr int packetanswer = 3;
constexpr int tokenstring = 34;

hostlink obtainlink(librarydata data) {
  if (cachedlink == nullptr && data != nullptr && data->getlink != nullptr)
    cachedlink = data->getlink(data);
  return cachedlink;
}

void evaluate(librarydata data, hostlink link) {
  if (data != nullptr && data->processlink != nullptr) data->processlink(link);
}

}  // namespace

hostlink kernellink() { return cachedlink; }

std::string retrievestring(librarydata data, std::int64_t id) {
  const hostlink link = obtainlink(data);
  VLPutFunction(link, "EvaluatePacket", 1);
  VLPutFunction(link, kernelretrievestring, 1);
  VLPutInteger32(link, static_cast<int>(static_cast<std::uint32_t>(id & 0xFFFFFFFF)));
  evaluate(data, link);
  for (;;) {
    const int kind = VLNextPacket(link);
    if (kind == packetend || kind == packetanswer) break;
    VLNewPacket(link);
  }
  const char* text = nullptr;
  if (VLGetNext(link) == tokenstring && VLGetString(link, &text) != 0) {
    std::string copy = text != nullptr ? text : "";
    VLReleaseString(link, text);
    VLNewPacket(link);
    return copy;
  }
  return unreadabletext;
}

void printmessage(librarydata data, const char* text) {
  const hostlink link = obtainlink(data);
  VLPutFunction(link, "EvaluatePacket", 1);
  VLPutFunction(link, kernelprintmessage, 1);
  VLPutString(link, text != nullptr ? text : "");
  evaluate(data, link);
  if (VLNextPacket(link) == packetanswer) VLNewPacket(link);
}
