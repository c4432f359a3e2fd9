#include "lineoutput.h"

#include <cstdint>
#include <cstring>
#include <iostream>
#include <streambuf>

namespace {

// In a recorded standard output a NUL byte starts a pair: NUL 'n' is a point where the line asked
// for a fresh line, NUL NUL a NUL the line wrote.
constexpr char escape = '\0';
constexpr char freshline = 'n';

// Forwards to std::cout's own buffer and remembers the last character, or records what is written
// while a line is being recorded.
class trackingbuffer : public std::streambuf {
 public:
  explicit trackingbuffer(std::streambuf* inner) : inner(inner) {}
  char last = '\n';
  std::string* record = nullptr;  // set while a line is recorded
  std::string prefix;             // starts every line of the record
  bool atlinestart = true;        // the record's next character starts a line

  // A fresh-line point in the record: what follows starts a line.
  void markfreshline() {
    record->push_back(escape);
    record->push_back(freshline);
    atlinestart = true;
  }

 protected:
  int overflow(int c) override {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    const char ch = static_cast<char>(c);
    if (record != nullptr) {
      append(ch);
      return c;
    }
    last = ch;
    return inner->sputc(ch);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    if (n <= 0) return 0;
    if (record != nullptr) {
      for (std::streamsize i = 0; i < n; ++i) append(s[i]);
      return n;
    }
    last = s[n - 1];
    return inner->sputn(s, n);
  }
  int sync() override { return record != nullptr ? 0 : inner->pubsync(); }

 private:
  void append(char ch) {
    if (atlinestart) *record += prefix;
    if (ch == escape) record->push_back(escape);
    record->push_back(ch);
    atlinestart = ch == '\n';
  }
  std::streambuf* inner;
};

trackingbuffer* tracker = nullptr;

void appendnumber(std::string& bytes, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

bool readnumber(const std::string& bytes, std::size_t& at, std::uint64_t& value) {
  if (bytes.size() - at < 8) return false;
  value = 0;
  for (int i = 0; i < 8; ++i)
    value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  at += 8;
  return true;
}

bool readtext(const std::string& bytes, std::size_t& at, std::string& text) {
  std::uint64_t length = 0;
  if (!readnumber(bytes, at, length) || bytes.size() - at < length) return false;
  text.assign(bytes, at, length);
  at += length;
  return true;
}

}  // namespace

void trackstandardoutput() {
  if (tracker == nullptr) {
    tracker = new trackingbuffer(std::cout.rdbuf());
    std::cout.rdbuf(tracker);
  }
}

void startline() {
  if (tracker == nullptr) return;
  if (tracker->record != nullptr) {
    tracker->markfreshline();
  } else if (tracker->last != '\n') {
    std::cout << '\n';
  }
}

recordedline::recordedline(const std::string& prefix) : previouserr(std::cerr.rdbuf(&errors)) {
  if (tracker != nullptr) {
    tracker->record = &out;
    tracker->prefix = prefix;
    tracker->atlinestart = true;
  }
}

recordedline::~recordedline() {
  if (tracker != nullptr) tracker->record = nullptr;
  std::cerr.rdbuf(previouserr);
}

lineoutput recordedline::take() {
  // A line left open (a message without its line end) is closed where the record is written,
  // so that the next record's lines start lines of their own.
  if (tracker != nullptr && !tracker->atlinestart) tracker->markfreshline();
  lineoutput line;
  line.out = std::move(out);
  out.clear();
  line.err = errors.str();
  return line;
}

void writeout(const lineoutput& line) {
  const std::string& out = line.out;
  std::size_t start = 0;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (out[i] != escape) continue;
    std::cout.write(out.data() + start, static_cast<std::streamsize>(i - start));
    if (i + 1 < out.size() && out[i + 1] == freshline)
      startline();
    else
      std::cout.put(escape);
    start = ++i + 1;
  }
  if (start < out.size())
    std::cout.write(out.data() + start, static_cast<std::streamsize>(out.size() - start));
  // Standard output stays buffered (a flush a line would cost a write a line); it is flushed only
  // before standard error is written, so that both keep their order where they meet.
  if (!line.err.empty()) {
    std::cout.flush();
    std::cerr << line.err << std::flush;
  }
}

void appendrecord(std::string& bytes, const lineoutput& line) {
  appendnumber(bytes, static_cast<std::uint32_t>(line.number));
  appendnumber(bytes, static_cast<std::uint32_t>(line.status));
  appendnumber(bytes, line.out.size());
  bytes += line.out;
  appendnumber(bytes, line.err.size());
  bytes += line.err;
}

bool readrecords(const std::string& bytes, std::vector<lineoutput>& into) {
  std::vector<lineoutput> read;
  std::size_t at = 0;
  while (at < bytes.size()) {
    lineoutput line;
    std::uint64_t number = 0, status = 0;
    if (!readnumber(bytes, at, number) || !readnumber(bytes, at, status) ||
        !readtext(bytes, at, line.out) || !readtext(bytes, at, line.err))
      return false;
    line.number = static_cast<int>(number);
    line.status = static_cast<int>(status);
    read.push_back(std::move(line));
  }
  into.insert(into.end(), read.begin(), read.end());
  return true;
}
