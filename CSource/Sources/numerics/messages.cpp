#include "numerics/messages.h"

#include <iostream>

#include "numerics/undefined.h"

void writemessage(const char* text) { std::cout << text << '\n' << std::flush; }

void writemessage(const std::string& text) { writemessage(text.c_str()); }

void writemessagenolineend(const char* text) { std::cout << text << std::flush; }

double refusedwith(const char* text) {
  writemessage(text);
  return undefinedvalue();
}
