// What kzr writes, and how a batch line's writing is recorded and written later.
//
// kzr writes its results to std::cout, its own messages to std::cerr, and the library writes its
// messages to std::cout as well (the same stream object: the library runs in this process). A
// result must start on a line of its own even after a library message that ended without a line
// end (startline). A batch line can be run with its writing recorded (recordedline), and the
// record written out later, on this process or on another one, exactly as the line would have
// written it: the record keeps the points where the line asked for a fresh line, since whether
// one is needed depends on what was written before it.
#ifndef KZR_TOOLS_LINEOUTPUT_H
#define KZR_TOOLS_LINEOUTPUT_H

#include <sstream>
#include <string>
#include <vector>

// Makes std::cout remember its last character, so that a result always starts on a line of its
// own after library messages that end without a line end. Call once, before any output.
void trackstandardoutput();
// Writes a line end to std::cout unless the last character written was one.
void startline();

// One batch line's writing and its exit status.
struct lineoutput {
  int number = 0;   // the line's number in its file, from 1
  int status = 0;   // the exit status the line contributes
  std::string out;  // standard output, with its fresh-line points encoded (see lineoutput.cpp)
  std::string err;  // standard error, as written
};

// While it lives, what is written to std::cout and std::cerr is recorded instead of written
// (trackstandardoutput must have been called). Every line of standard output the record holds
// starts with prefix: a batch line's number ("3: ") ties each line it writes, the library's
// messages included, to it. A record whose writing ends inside a line ends with a fresh-line
// point, so that what is written after it starts a line of its own. Not nestable.
class recordedline {
 public:
  explicit recordedline(const std::string& prefix = std::string());
  ~recordedline();
  recordedline(const recordedline&) = delete;
  recordedline& operator=(const recordedline&) = delete;

  // The writing so far (number and status left at 0); call once, at the end.
  lineoutput take();

 private:
  std::string out;  // standard output as written, fresh-line points encoded
  std::stringbuf errors;
  std::streambuf* previouserr;
};

// Writes a record to std::cout and std::cerr as the line would have written it.
void writeout(const lineoutput& line);

// A record as bytes and back (for sending between processes). readrecords reads every record of
// the bytes and returns false, leaving `into` as it found it, if they are malformed.
void appendrecord(std::string& bytes, const lineoutput& line);
bool readrecords(const std::string& bytes, std::vector<lineoutput>& into);

#endif  // KZR_TOOLS_LINEOUTPUT_H
