#include "host.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <limits>
#include <list>
#include <map>
#include <unordered_map>

#include "link.h"

namespace standin {

// Short texts (codes) come from a pool of fixed-size buffers, as a real host's allocator would
// serve them, so lending one costs no heap allocation once the pool is warm.
constexpr std::size_t pooledtextsize = 64;

struct hoststate {
  librarydatatable table{};
  std::vector<std::unique_ptr<char[]>> pooledtexts;  // every pooled buffer, owned here
  std::vector<char*> freetexts;                      // pooled buffers given back by the library
  std::unordered_map<char*, std::unique_ptr<char[]>> longtexts;  // longer texts, until given back
  long sharesout = 0;
  long stringsout = 0;
  std::list<tensor> created;  // tensors made by newtensor, until the host frees them
  std::list<tensor> freed;    // their storage once freed, reused by the next newtensor
  bool recording = false;
  bool recordingqueries = false;
  std::vector<std::string> events;
  bool onebyteforempty = false;
  std::unique_ptr<char[]> onebyte{new char[1]};  // what an empty tensor lends with the switch on
  // The kernel side of the link.
  hostlink link = nullptr;
  long getlinkcalls = 0;
  std::map<hostinteger, std::string> texts;
  std::map<std::string, hostinteger> ids;
  hostinteger nexttextid = 1;
  linkbehaviour behaviour;
  std::vector<vlkernel::token> expression;  // the expression being evaluated, storage kept
  std::vector<std::string> shown;
  std::function<void(const std::string&)> watcher;

  ~hoststate() {
    if (link != nullptr) VLDestroyLink(link);
  }
};

// One host state for the process, built at load so that the callbacks reach it without a guard
// (and, within this file, without a call).
hoststate hostglobal;

hoststate& state() { return hostglobal; }

namespace {

// Moves a tensor made by newtensor from the created list to the freed one.
void releaseresult(const tensor* made) {
  hoststate& s = hostglobal;
  for (auto it = s.created.begin(); it != s.created.end(); ++it) {
    if (&*it == made) {
      s.freed.splice(s.freed.begin(), s.created, it);
      return;
    }
  }
}

}  // namespace

namespace {

int releasestring(char* text) {
  hoststate& s = hostglobal;
  if (s.recording) s.events.push_back(std::string("releasestring ") + text);
  if (std::strlen(text) < pooledtextsize)
    s.freetexts.push_back(text);
  else
    s.longtexts.erase(text);
  --s.stringsout;
  return hoststatusok;
}

int newtensor(hostinteger type, hostinteger rank, const hostinteger* dims, hosttensor* out) {
  if (rank < 0 || (rank > 0 && dims == nullptr)) return hoststatusfunctionerror;
  // A freed tensor's storage is filled, then moves to the created list.
  hoststate& s = hostglobal;
  if (s.freed.empty()) s.freed.emplace_back();
  tensor& t = s.freed.front();
  t.type = type;
  t.dims.assign(dims, dims + rank);
  hostinteger count = 1;
  for (hostinteger d : t.dims) count *= d;
  t.reals.clear();
  t.integers.clear();
  if (type == hosttypereal)
    t.reals.assign(count, 0.0);
  else
    t.integers.assign(count, 0);
  t.shares = 0;
  t.label.clear();
  s.created.splice(s.created.end(), s.freed, s.freed.begin());
  *out = t.handle();
  return hoststatusok;
}

void releasetensor(hosttensor handle) {
  hoststate& s = hostglobal;
  tensor* t = tensor::from(handle);
  if (s.recording) s.events.push_back("releasetensor " + t->label);
  --t->shares;
  --s.sharesout;
}

int setreal(hosttensor handle, const hostinteger* position, double value) {
  tensor* t = tensor::from(handle);
  if (t->type != hosttypereal) return hoststatusfunctionerror;
  hostinteger flat = 0;
  for (std::size_t i = 0; i < t->dims.size(); ++i) {
    const hostinteger p = position[i];
    if (p < 1 || p > t->dims[i]) return hoststatusfunctionerror;
    flat = flat * t->dims[i] + (p - 1);
  }
  t->reals[flat] = value;
  return hoststatusok;
}

void recordquery(const char* query, const tensor* t) {
  hoststate& s = hostglobal;
  if (__builtin_expect(s.recording && s.recordingqueries, 0))
    s.events.push_back(query + (" " + t->label));
}

hostinteger tensorrank(hosttensor handle) {
  recordquery("tensorrank", tensor::from(handle));
  return static_cast<hostinteger>(tensor::from(handle)->dims.size());
}

const hostinteger* tensordims(hosttensor handle) {
  recordquery("tensordims", tensor::from(handle));
  return tensor::from(handle)->dims.data();
}

// The storage of a tensor's elements; an empty one has none to lend, unless the switch asks for
// the one-byte block.
template <typename element>
element* storage(std::vector<element>& elements) {
  if (elements.empty() && hostglobal.onebyteforempty)
    return reinterpret_cast<element*>(hostglobal.onebyte.get());
  return elements.data();
}

// A real host hands out the element pointer of a tensor of the matching type only.
hostinteger* integerdata(hosttensor handle) {
  tensor* t = tensor::from(handle);
  recordquery("integerdata", t);
  return t->type == hosttypeinteger ? storage(t->integers) : nullptr;
}

double* realdata(hosttensor handle) {
  tensor* t = tensor::from(handle);
  recordquery("realdata", t);
  return t->type == hosttypereal ? storage(t->reals) : nullptr;
}

hostlink kernellinkof(hoststate& s) {
  if (s.link == nullptr) s.link = VLCreateLink();
  return s.link;
}

hostlink getlink(librarydata) {
  hoststate& s = hostglobal;
  ++s.getlinkcalls;
  return kernellinkof(s);
}

constexpr const char* retrievalhead = "Finance`FIDerivalixDump`retrievestring";
constexpr const char* messagehead = "Finance`FIDerivalixDump`printmessage";

// Evaluates EvaluatePacket[f[argument]] written on the link and queues the answer.
int processlink(hostlink link) {
  hoststate& s = hostglobal;
  vlkernel::takeexpression(link, s.expression);
  const std::vector<vlkernel::token>& expression = s.expression;
  for (int kind : s.behaviour.packetsbefore)
    vlkernel::putpacket(
        link, {kind, {vlkernel::token::string("a packet of kind " + std::to_string(kind))}});
  const bool wellformed = expression.size() == 3 && expression[0].kind == vltokenfunction &&
                          expression[0].text == "EvaluatePacket" && expression[0].integer == 1 &&
                          expression[1].kind == vltokenfunction && expression[1].integer == 1;
  vlkernel::packet answer = vlkernel::newpacket(link, vlpacketanswer);
  if (wellformed && expression[1].text == retrievalhead && expression[2].kind == vltokeninteger) {
    const hostinteger id = expression[2].integer;
    const auto found = s.texts.find(id);
    switch (s.behaviour.retrieval) {
      case linkbehaviour::answerkind::string:
        if (found != s.texts.end()) answer.tokens.push_back(vlkernel::token::string(found->second));
        break;
      case linkbehaviour::answerkind::integer: answer.tokens = {vlkernel::token::number(id)}; break;
      case linkbehaviour::answerkind::endpacket: answer = vlkernel::packet{vlpacketnone, {}}; break;
    }
  } else if (wellformed && expression[1].text == messagehead &&
             expression[2].kind == vltokenstring) {
    s.shown.push_back(expression[2].text);
    if (s.watcher) s.watcher(expression[2].text);
    answer.tokens = {vlkernel::token::symbol("Null")};
  }
  if (answer.kind == vlpacketanswer && answer.tokens.empty())
    answer.tokens = {vlkernel::token::symbol("$Failed")};
  vlkernel::putpacket(link, std::move(answer));
  return wellformed ? hoststatusok : hoststatusfunctionerror;
}

}  // namespace

char* lendstring(const std::string& text) {
  hoststate& s = hostglobal;
  char* copy;
  if (text.size() >= pooledtextsize) {
    auto buffer = std::make_unique<char[]>(text.size() + 1);
    copy = buffer.get();
    s.longtexts.emplace(copy, std::move(buffer));
  } else if (!s.freetexts.empty()) {
    copy = s.freetexts.back();
    s.freetexts.pop_back();
  } else {
    s.pooledtexts.push_back(std::make_unique<char[]>(pooledtextsize));
    copy = s.pooledtexts.back().get();
  }
  std::memcpy(copy, text.c_str(), text.size() + 1);
  ++hostglobal.stringsout;
  return copy;
}

void lend(tensor& t) {
  ++t.shares;
  ++hostglobal.sharesout;
}

std::vector<std::string> librarycandidates() {
  std::vector<std::string> places;
  char buffer[4096];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  std::string folder;
  if (length > 0) {
    const std::string path(buffer, static_cast<std::size_t>(length));
    folder = path.substr(0, path.find_last_of('/') + 1);
    places.push_back(folder + "libkzr.so");
#ifdef KZR_LIBRARY_FROM_PROGRAM
    // An installed program lives in bin/ and the library in lib/.
    places.push_back(folder + KZR_LIBRARY_FROM_PROGRAM "/libkzr.so");
#endif
  }
  // The link library is installed beside libkzr.so, and this program has loaded it.
  Dl_info where{};
  if (dladdr(reinterpret_cast<void*>(&VLCreateLink), &where) != 0 && where.dli_fname != nullptr) {
    const std::string link = where.dli_fname;
    const std::string linkfolder = link.substr(0, link.find_last_of('/') + 1);
    if (!linkfolder.empty() && linkfolder != folder) places.push_back(linkfolder + "libkzr.so");
  }
  if (places.empty()) places.push_back("libkzr.so");
  return places;
}

std::string defaultlibrarypath() {
  const std::vector<std::string> places = librarycandidates();
  for (const std::string& place : places)
    if (access(place.c_str(), F_OK) == 0) return place;
  return places.front();
}

host::host() : host([] {
  const std::vector<std::string> places = librarycandidates();
  for (const std::string& place : places)
    if (access(place.c_str(), F_OK) == 0) return place;
  std::string looked;
  for (const std::string& place : places) looked += (looked.empty() ? "" : ", ") + place;
  throw loaderror("cannot find libkzr.so: looked for " + looked);
}()) {}

host::host(const std::string& librarypath) {
  hoststate& s = state();
  s.table.releasestring = releasestring;
  s.table.newtensor = newtensor;
  s.table.releasetensor = releasetensor;
  s.table.setreal = setreal;
  s.table.tensorrank = tensorrank;
  s.table.tensordims = tensordims;
  s.table.integerdata = integerdata;
  s.table.realdata = realdata;
  s.table.getlink = getlink;
  s.table.processlink = processlink;

  library = dlopen(librarypath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) throw loaderror(std::string("cannot load the library: ") + dlerror());
  auto version = reinterpret_cast<int (*)()>(symbol("QuillonLibrary_getVersion"));
  initializeentry = reinterpret_cast<int (*)(librarydata)>(symbol("QuillonLibrary_initialize"));
  funentry = reinterpret_cast<entrypoint>(symbol("fun"));
  funvecentry = reinterpret_cast<entrypoint>(symbol("funvec"));
  fifunentry = reinterpret_cast<entrypoint>(symbol("fifun"));  // optional
  if (version == nullptr || initializeentry == nullptr || funentry == nullptr ||
      funvecentry == nullptr) {
    dlclose(library);
    throw loaderror("the library lacks an entry point of the host interface");
  }
  if (version() != 5) {
    dlclose(library);
    throw loaderror("the library is written against another version of the host interface");
  }
  initialize();
}

host::~host() {
  if (library != nullptr) dlclose(library);
}

int host::initialize() { return initializeentry(table()); }

librarydata host::table() { return &state().table; }

void* host::symbol(const char* name) const { return dlsym(library, name); }

int host::call(const char* entry, const std::vector<argument>& arguments, void* result) {
  auto function = reinterpret_cast<entrypoint>(symbol(entry));
  if (function == nullptr) throw loaderror(std::string("the library does not export ") + entry);
  // Cells must stay put during the call: one slot each for texts and tensor handles.
  std::vector<char*> texts(arguments.size(), nullptr);
  std::vector<hosttensor> handles(arguments.size(), nullptr);
  std::vector<hostargument> cells(arguments.size(), nullptr);
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i].table != nullptr) {
      lend(*arguments[i].table);
      handles[i] = arguments[i].table->handle();
      cells[i] = &handles[i];
    } else {
      texts[i] = lendstring(arguments[i].text);
      cells[i] = &texts[i];
    }
  }
  return function(table(), static_cast<hostinteger>(cells.size()), cells.data(), result);
}

scalarresult host::fun(const std::string& code, tensor& T0, tensor& T1, tensor& T2) {
  char* text = lendstring(code);
  hosttensor handles[3] = {T0.handle(), T1.handle(), T2.handle()};
  lend(T0);
  lend(T1);
  lend(T2);
  hostargument cells[4] = {&text, &handles[0], &handles[1], &handles[2]};
  scalarresult result{0, 0.0};
  result.status = funentry(table(), 4, cells, &result.value);
  return result;
}

vectorresult host::funvec(const std::string& code, tensor& T0, tensor& T1, tensor& T2) {
  char* text = lendstring(code);
  hosttensor handles[3] = {T0.handle(), T1.handle(), T2.handle()};
  lend(T0);
  lend(T1);
  lend(T2);
  hostargument cells[4] = {&text, &handles[0], &handles[1], &handles[2]};
  hosttensor out = nullptr;
  vectorresult result{0, {}};
  result.status = funvecentry(table(), 4, cells, &out);
  if (out != nullptr) {
    tensor* made = tensor::from(out);
    result.values = made->reals;
    freeresult(out);
  }
  return result;
}

void freeresult(hosttensor result) {
  tensor* made = tensor::from(result);
  releaseresult(made);
}

long host::outstandingshares() const { return state().sharesout; }
long host::outstandingstrings() const { return state().stringsout; }
long host::outstandingresults() const { return static_cast<long>(state().created.size()); }
void host::recordevents(bool on) { state().recording = on; }
const std::vector<std::string>& host::events() const { return state().events; }
void host::clearevents() { state().events.clear(); }
void host::recordqueries(bool on) { state().recordingqueries = on; }
void host::lendonebyteforempty(bool on) { state().onebyteforempty = on; }

double fixedincomeresult::at(hostinteger row, hostinteger column) const {
  if (dims.size() != 2 || row < 1 || column < 1 || row > dims[0] || column > dims[1])
    return std::numeric_limits<double>::quiet_NaN();
  return values[static_cast<std::size_t>((row - 1) * dims[1] + (column - 1))];
}

fixedincomeresult host::fifun(const std::string& name, const std::array<tensor*, 11>& tables,
                              entrypoint function) {
  if (function == nullptr) function = fifunentry;
  if (function == nullptr) throw loaderror("the library does not export fifun");
  char* text = lendstring(name);
  std::array<hosttensor, 11> handles;
  std::array<hostargument, 12> cells;
  cells[0] = &text;
  for (std::size_t i = 0; i < tables.size(); ++i) {
    lend(*tables[i]);
    handles[i] = tables[i]->handle();
    cells[i + 1] = &handles[i];
  }
  hosttensor out = nullptr;
  fixedincomeresult result;
  result.status = function(table(), static_cast<hostinteger>(cells.size()), cells.data(), &out);
  if (out != nullptr) {
    tensor* made = tensor::from(out);
    result.dims = std::move(made->dims);
    result.values = std::move(made->reals);
    releaseresult(made);
  }
  return result;
}

hostinteger host::addtext(const std::string& text) {
  hoststate& s = state();
  const auto found = s.ids.find(text);
  if (found != s.ids.end()) return found->second;
  while (s.texts.count(s.nexttextid) != 0) ++s.nexttextid;
  const hostinteger id = s.nexttextid++;
  s.texts[id] = text;
  s.ids[text] = id;
  return id;
}

void host::settext(hostinteger id, const std::string& text) {
  hoststate& s = state();
  s.texts[id] = text;
  s.ids[text] = id;
}

void host::cleartexts() {
  state().texts.clear();
  state().ids.clear();
}

hostlink host::link() { return kernellinkof(state()); }
void host::setlinkbehaviour(const linkbehaviour& behaviour) { state().behaviour = behaviour; }
long host::getlinkcalls() const { return state().getlinkcalls; }
const std::vector<std::string>& host::shownmessages() const { return state().shown; }
void host::clearshownmessages() { state().shown.clear(); }
void host::watchmessages(std::function<void(const std::string&)> watcher) {
  state().watcher = std::move(watcher);
}

}  // namespace standin
