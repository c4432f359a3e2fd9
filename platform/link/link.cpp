#include "link.h"

#include <deque>
#include <iterator>
#include <list>
#include <utility>

#define VL_EXPORT __attribute__((visibility("default")))

namespace {

struct linkobject {
  std::vector<vlkernel::token> written;  // library to kernel
  std::deque<vlkernel::packet> queued;   // kernel to library
  bool open = false;                     // queued.front() is the open packet
  std::size_t nexttoken = 0;             // in the open packet
  bool fetched = false;                  // VLGetNext moved onto token nexttoken - 1
  std::list<std::string> handedout;      // texts given by VLGetString
  std::list<std::string> spare;          // given back, kept for reuse (no allocation per text)
  std::vector<vlkernel::token> sparetokens;  // a dropped packet's token storage, emptied
  bool recording = false;
  std::vector<std::string> calls;
};

linkobject* from(hostlink link) { return reinterpret_cast<linkobject*>(link); }

// Records a call while recording is on; the text is made only then.
template <typename text>
void record(linkobject* l, text&& describe) {
  if (l->recording) l->calls.push_back(describe());
}

void dropopen(linkobject* l) {
  if (l->open && !l->queued.empty()) {
    l->sparetokens = std::move(l->queued.front().tokens);
    l->sparetokens.clear();
    l->queued.pop_front();
  }
  l->open = false;
  l->nexttoken = 0;
  l->fetched = false;
}

}  // namespace

extern "C" {

VL_EXPORT int VLPutFunction(hostlink link, const char* head, int argumentcount) {
  linkobject* l = from(link);
  if (l == nullptr || head == nullptr) return 0;
  record(l, [&] {
    return std::string("VLPutFunction ") + head + " " + std::to_string(argumentcount);
  });
  l->written.push_back(vlkernel::token::function(head, argumentcount));
  return 1;
}

VL_EXPORT int VLPutInteger32(hostlink link, int value) {
  linkobject* l = from(link);
  if (l == nullptr) return 0;
  record(l, [&] { return "VLPutInteger32 " + std::to_string(value); });
  l->written.push_back(vlkernel::token::number(value));
  return 1;
}

VL_EXPORT int VLPutString(hostlink link, const char* text) {
  linkobject* l = from(link);
  if (l == nullptr || text == nullptr) return 0;
  record(l, [&] { return std::string("VLPutString ") + text; });
  l->written.push_back(vlkernel::token::string(text));
  return 1;
}

VL_EXPORT int VLNextPacket(hostlink link) {
  linkobject* l = from(link);
  if (l == nullptr) return vlpacketnone;
  dropopen(l);
  int kind = vlpacketnone;
  if (!l->queued.empty()) {
    l->open = true;
    kind = l->queued.front().kind;
  }
  record(l, [&] { return "VLNextPacket -> " + std::to_string(kind); });
  return kind;
}

VL_EXPORT int VLNewPacket(hostlink link) {
  linkobject* l = from(link);
  if (l == nullptr) return 0;
  record(l, [&] { return std::string("VLNewPacket"); });
  dropopen(l);
  return 1;
}

VL_EXPORT int VLGetNext(hostlink link) {
  linkobject* l = from(link);
  if (l == nullptr) return vltokennone;
  int kind = vltokennone;
  if (l->open && l->nexttoken < l->queued.front().tokens.size()) {
    kind = l->queued.front().tokens[l->nexttoken].kind;
    ++l->nexttoken;
    l->fetched = true;
  } else {
    l->fetched = false;
  }
  record(l, [&] { return "VLGetNext -> " + std::to_string(kind); });
  return kind;
}

VL_EXPORT int VLGetString(hostlink link, const char** text) {
  linkobject* l = from(link);
  if (l == nullptr || text == nullptr) return 0;
  int success = 0;
  if (l->open) {
    const std::vector<vlkernel::token>& tokens = l->queued.front().tokens;
    bool present = false;
    std::size_t index = 0;
    if (l->fetched) {
      index = l->nexttoken - 1;
      present = true;
    } else if (l->nexttoken < tokens.size()) {
      index = l->nexttoken++;
      present = true;
    }
    if (present) {
      const vlkernel::token& t = tokens[index];
      if (t.kind == vltokenstring) {
        if (l->spare.empty()) {
          l->handedout.push_back(t.text);
        } else {
          l->handedout.splice(l->handedout.end(), l->spare, l->spare.begin());
          l->handedout.back() = t.text;
        }
        *text = l->handedout.back().c_str();
        success = 1;
      }
    }
    l->fetched = false;
  }
  record(l, [&] { return "VLGetString -> " + std::to_string(success); });
  return success;
}

VL_EXPORT int VLReleaseString(hostlink link, const char* text) {
  linkobject* l = from(link);
  if (l == nullptr) return 0;
  record(l, [&] { return std::string("VLReleaseString"); });
  for (auto it = l->handedout.begin(); it != l->handedout.end(); ++it) {
    if (it->c_str() == text) {
      l->spare.splice(l->spare.begin(), l->handedout, it);
      return 1;
    }
  }
  return 0;
}

VL_EXPORT hostlink VLCreateLink(void) { return reinterpret_cast<hostlink>(new linkobject()); }

VL_EXPORT void VLDestroyLink(hostlink link) { delete from(link); }

}  // extern "C"

namespace vlkernel {

VL_EXPORT std::vector<token> takeexpression(hostlink link) {
  linkobject* l = from(link);
  if (l == nullptr) return {};
  // The tokens move out and the link keeps its storage for the next expression.
  std::vector<token> expression(std::make_move_iterator(l->written.begin()),
                                std::make_move_iterator(l->written.end()));
  l->written.clear();
  return expression;
}

VL_EXPORT void takeexpression(hostlink link, std::vector<token>& into) {
  into.clear();
  linkobject* l = from(link);
  if (l != nullptr) into.swap(l->written);
}

VL_EXPORT packet newpacket(hostlink link, int kind) {
  packet made{kind, {}};
  if (linkobject* l = from(link)) made.tokens = std::move(l->sparetokens);
  made.tokens.clear();
  return made;
}

VL_EXPORT void putpacket(hostlink link, packet answer) {
  linkobject* l = from(link);
  if (l != nullptr) l->queued.push_back(std::move(answer));
}

VL_EXPORT std::size_t pendingpackets(hostlink link) {
  linkobject* l = from(link);
  if (l == nullptr) return 0;
  return l->queued.size() - (l->open ? 1 : 0);
}

VL_EXPORT long outstandingtexts(hostlink link) {
  linkobject* l = from(link);
  return l == nullptr ? 0 : static_cast<long>(l->handedout.size());
}

VL_EXPORT void recordcalls(hostlink link, bool on) {
  if (linkobject* l = from(link)) l->recording = on;
}

VL_EXPORT std::vector<std::string> calls(hostlink link) {
  linkobject* l = from(link);
  return l == nullptr ? std::vector<std::string>() : l->calls;
}

VL_EXPORT void clearcalls(hostlink link) {
  if (linkobject* l = from(link)) l->calls.clear();
}

VL_EXPORT void reset(hostlink link) {
  linkobject* l = from(link);
  if (l == nullptr) return;
  l->written.clear();
  l->queued.clear();
  l->open = false;
  l->nexttoken = 0;
  l->fetched = false;
}

}  // namespace vlkernel
