#include "testsupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace testsupport {

standin::host& library() {
  static standin::host loaded;
  return loaded;
}

standin::scalarresult funrows(const std::string& code, const std::vector<std::vector<double>>& rows,
                              const parameters& entries) {
  standin::tensor T0 = standin::realtable(rows);
  standin::tensor T1 = standin::integertensor({parameterentrycount}, entries.flags);
  standin::tensor T2 = standin::realtensor({parameterentrycount, entryvaluecount}, entries.rows);
  return library().fun(code, T0, T1, T2);
}

standin::scalarresult fun(const std::string& code, const std::vector<double>& inputs,
                          const parameters& entries) {
  std::vector<std::vector<double>> rows;
  for (double value : inputs) rows.push_back({value});
  return funrows(code, rows, entries);
}

double price(const std::string& code, const std::vector<double>& inputs,
             const parameters& entries) {
  return fun(code, inputs, entries).value;
}

namespace {

std::string readfile(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string folderofprogram() {
  char buffer[4096];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  std::string path(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
  return path.substr(0, path.find_last_of('/') + 1);
}

}  // namespace

toolrun runcommand(const std::string& command, const std::string& input) {
  char pattern[] = "/tmp/kzrtestXXXXXX";
  const std::string folder = mkdtemp(pattern);
  const std::string in = folder + "/in", out = folder + "/out", err = folder + "/err";
  std::ofstream(in) << input;
  const std::string redirected = command + " <" + in + " >" + out + " 2>" + err;
  const int raw = std::system(redirected.c_str());
  toolrun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readfile(out), readfile(err)};
  std::remove(in.c_str());
  std::remove(out.c_str());
  std::remove(err.c_str());
  rmdir(folder.c_str());
  return run;
}

std::string besideprogram(const std::string& name) { return "'" + folderofprogram() + name + "'"; }

toolrun runkzr(const std::string& arguments, const std::string& input) {
  return runcommand(besideprogram("kzr") + " " + arguments, input);
}

std::string lastline(const std::string& text) {
  std::string trimmed = text;
  while (!trimmed.empty() && trimmed.back() == '\n') trimmed.pop_back();
  const auto start = trimmed.find_last_of('\n');
  return start == std::string::npos ? trimmed : trimmed.substr(start + 1);
}

}  // namespace testsupport
