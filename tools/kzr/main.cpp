// kzr: prices contracts through libkzr.so, loaded at run time by the host stand-in as a real
// host loads it.
#include <iostream>

#include "runner.h"

int main(int argc, char** argv) {
  trackstandardoutput();
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty()) {
    std::cerr << "kzr: no command given (kzr --help lists the commands)\n";
    return exitusage;
  }
  if (words[0] == "--help" || words[0] == "help") {
    std::cout << usagetext();
    return exitanswered;
  }
  try {
    standin::host library;
    runner tool(library);
    return tool.run(words);
  } catch (const usageerror& error) {
    std::cerr << "kzr: " << error.what() << '\n';
    return exitusage;
  } catch (const std::exception& error) {
    std::cerr << "kzr: " << error.what() << '\n';
    return 1;
  }
}
