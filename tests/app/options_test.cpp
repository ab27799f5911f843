// The runtime's command line and options.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/lifecycle.hpp"
#include "base/context.hpp"

using namespace zrv;

namespace {

TEST(CommandLine, ArgumentsAreJoinedAndQuotedWhenNeeded) {
  char a0[] = "/opt/game/reedfire";
  char a1[] = "--headless";
  char a2[] = "two words";
  char a3[] = "";
  char* argv[] = {a0, a1, a2, a3, nullptr};
  RtString line = join_command_line(4, argv);
  EXPECT_STREQ(line.c_str(), "/opt/game/reedfire --headless \"two words\" \"\"");
}

class Options : public ::testing::Test {
 protected:
  void SetUp() override { ctx.options = RuntimeOptions{}; }
  void TearDown() override { ctx.options = RuntimeOptions{}; }
  bool parse(std::initializer_list<const char*> args, bool* help = nullptr) {
    std::vector<std::string> store(args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& s : store) argv.push_back(s.data());
    argv.push_back(nullptr);
    bool h = false;
    bool ok = parse_runtime_options(static_cast<int>(store.size()), argv.data(), &h);
    if (help) *help = h;
    return ok;
  }
};

TEST_F(Options, KnownOptionsAreReadAndOthersLeftToTheGame) {
  ASSERT_TRUE(parse({"prog", "--headless", "--seed", "-7", "--frames", "120", "level=3", "--keys",
                     "k.txt", "--screenshot", "s.png"}));
  EXPECT_EQ(ctx.options.headless, 1);
  EXPECT_EQ(ctx.options.seed_given, 1);
  EXPECT_EQ(ctx.options.seed, -7);
  EXPECT_EQ(ctx.options.frames, 120);
  EXPECT_STREQ(ctx.options.keys_file.c_str(), "k.txt");
  EXPECT_STREQ(ctx.options.screenshot_file.c_str(), "s.png");
}

TEST_F(Options, BadValuesAreRefused) {
  EXPECT_FALSE(parse({"prog", "--seed"}));
  EXPECT_FALSE(parse({"prog", "--seed", "99999999999"}));
  EXPECT_FALSE(parse({"prog", "--frames", "0"}));
  EXPECT_FALSE(parse({"prog", "--frames", "12x"}));
  EXPECT_FALSE(parse({"prog", "--keys"}));
  EXPECT_FALSE(parse({"prog", "--screenshot", ""}));
  bool help = false;
  EXPECT_FALSE(parse({"prog", "--help"}, &help));
  EXPECT_TRUE(help);
}

}  // namespace
