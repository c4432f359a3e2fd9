// What the parts of kzr._host share: the one library loaded in the process, and the capture of
// the library's messages during a call (hostmodule.cpp prices, sensitivitiesmodule.cpp takes
// greeks and implied inputs).
#ifndef KZR_PYTHON_HOSTLIBRARY_H
#define KZR_PYTHON_HOSTLIBRARY_H

#include <pybind11/pybind11.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "host.h"

// The library loaded from path at the first call, kept until kzr._host.unload().
standin::host& library(const std::string& path);

// Collects what the library writes to std::cout and shows over the link during one scope.
class messagecapture {
 public:
  explicit messagecapture(standin::host& host) : host(host), buffer(sharedbuffer()) {
    std::cout.flush();
    buffer.str(std::string());
    previous = std::cout.rdbuf(&buffer);
    host.watchmessages([this](const std::string& text) { shown.push_back(text); });
  }
  ~messagecapture() {
    host.watchmessages(nullptr);
    std::cout.rdbuf(previous);
  }
  messagecapture(const messagecapture&) = delete;
  messagecapture& operator=(const messagecapture&) = delete;

  // True when nothing was written or shown since the last take.
  bool quiet() { return shown.empty() && buffer.in_avail() <= 0; }

  // The lines written so far, each once, emptied for the next call.
  std::vector<std::string> take() {
    std::vector<std::string> lines;
    std::stringstream text(buffer.str());
    std::string line;
    while (std::getline(text, line))
      if (!line.empty()) lines.push_back(line);
    lines.insert(lines.end(), shown.begin(), shown.end());
    buffer.str(std::string());
    shown.clear();
    return lines;
  }

 private:
  // One buffer serves every capture (they never overlap): a stream buffer costs a locale to make.
  static std::stringbuf& sharedbuffer() {
    static std::stringbuf shared;
    return shared;
  }

  standin::host& host;
  std::stringbuf& buffer;
  std::streambuf* previous = nullptr;
  std::vector<std::string> shown;
};

// Adds greeks and solve (sensitivitiesmodule.cpp) to the module.
void addsensitivities(pybind11::module_& module);

#endif  // KZR_PYTHON_HOSTLIBRARY_H
