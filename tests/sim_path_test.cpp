#include <gtest/gtest.h>

#include <string>

#include "sim_process.h"

namespace {

using Outcome = SimOutcome;
Outcome RunSim(const std::string& args) { return RunSimBinary(args); }

TEST(SimPath, PrintsTheSearchAsOneJsonLine) {
  Outcome r = RunSim("path 30 30 40 35");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("{\"ret\":1,\"result\":1,\"from\":[30,30],\"to\":[40,35],\"window\":[0,0,64],\"nodes\":", 0), 0u)
      << r.out;
  // 1 + 5 * 4 + 5 * 4.4142 in single precision.
  EXPECT_NE(r.out.find(",\"direct\":false,\"first_step\":[31,30],\"links\":9,\"path\":[[31,30],[32,30],[33,30],"
                       "[34,30],[35,30],[36,31],[37,32],[38,33],[39,34],[40,35]],\"goal_cost\":43.071}\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1);

  r = RunSim("path 10 10 13 10");
  EXPECT_NE(r.out.find("\"goal_cost\":13}"), std::string::npos) << r.out;

  r = RunSim("path 0 0 1 1");
  EXPECT_EQ(r.out, "{\"ret\":4,\"result\":3,\"from\":[1,1],\"to\":[1,1],\"window\":[0,0,64],\"nodes\":1}\n");

  r = RunSim("path 10 10 10 14 --window 12 --code 9 13 0 --code 10 13 0 --code 11 13 0 --code 9 14 0 "
             "--code 11 14 0 --code 9 15 0 --code 10 15 0 --code 11 15 0");
  EXPECT_EQ(r.out, "{\"ret\":0,\"result\":0,\"from\":[10,10],\"to\":[10,14],\"window\":[4,4,12],\"nodes\":94}\n");

  r = RunSim("path 10 10 13 10 --block 1 11 10 --block 2 10 30 11 11 --block 12 11 9");
  EXPECT_NE(r.out.find("\"path\":[[11,9],[12,9],[13,10]]"), std::string::npos) << r.out;

  // A later --block for the same id replaces the earlier one.
  r = RunSim("path 10 10 13 10 --block 1 11 10 --block 1 40 40");
  EXPECT_NE(r.out.find("\"path\":[[11,10],[12,10],[13,10]]"), std::string::npos) << r.out;
}

TEST(SimPath, LiteralScanGivesTheSameAnswers) {
  const char* walled = "path 10 10 10 14 --code 9 13 0 --code 10 13 0 --code 11 13 0 --code 9 14 0 --code 11 14 0 "
                       "--code 9 15 0 --code 10 15 0 --code 11 15 0";
  for (const char* args : {"path 1 1 62 62", "path 60 2 40 30 --window 12", walled}) {
    const std::string fast = RunSim(args).out;
    ASSERT_EQ(setenv("VALDORIK_LITERAL_SEARCH", "1", 1), 0);
    const std::string literal = RunSim(args).out;
    ASSERT_EQ(unsetenv("VALDORIK_LITERAL_SEARCH"), 0);
    EXPECT_FALSE(fast.empty());
    EXPECT_EQ(fast, literal) << args;
  }
}

TEST(SimPath, RefusesBadArguments) {
  for (const char* args : {"path", "path 1 2 3", "path 1 2 3 x", "path 1 2 3 4 --window 2", "path 1 2 3 4 --window 65",
                           "path 1 2 3 4 --window 8 --window 9", "path 1 2 3 4 --code 64 0 1",
                           "path 1 2 3 4 --code 1 1 256", "path 1 2 3 4 --code 1 1", "path 1 2 3 4 --block 256 1 1",
                           "path 1 2 3 4 --block 1 65536 1", "path 1 2 3 4 --block 1 2 3 4", "path 1 2 3 4 --bogus",
                           "path 1 2 3 99999999999", "path 1 2 3 4 5", "path 1 2 3 4 --window", "bogus", ""}) {
    Outcome r = RunSim(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_TRUE(r.out.empty()) << args;
    EXPECT_FALSE(r.err.empty()) << args;
  }
}

}  // namespace
