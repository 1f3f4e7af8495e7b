// Runs the real valdorik-sim binary and captures what it prints.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

struct SimOutcome {
  int status;
  std::string out;
  std::string err;
};

inline std::string ReadWholeFile(const std::string& path) {
  std::string text;
  if (FILE* f = fopen(path.c_str(), "rb")) {
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), f)) > 0) text.append(buffer.data(), n);
    fclose(f);
  }
  return text;
}

inline SimOutcome RunSimBinary(const std::string& args) {
  // The tests run in parallel processes: each capture gets a file of its own.
  static int calls = 0;
  const std::string err_file =
      testing::TempDir() + "/sim_err_" + std::to_string(getpid()) + "_" + std::to_string(++calls) + ".txt";
  const std::string command = std::string(VALDORIK_SIM_PATH) + " " + args + " 2>" + err_file;
  SimOutcome result{};
  FILE* pipe = popen(command.c_str(), "r");
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) result.out.append(buffer.data(), n);
  const int raw = pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.err = ReadWholeFile(err_file);
  std::remove(err_file.c_str());
  return result;
}
