#include "numerics/messages.h"

#include <iostream>

void writemessage(const char* text) { std::cout << text << '\n' << std::flush; }

void writemessage(const std::string& text) { writemessage(text.c_str()); }

void writemessagenolineend(const char* text) { std::cout << text << std::flush; }
