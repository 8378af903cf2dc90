// Tests of the command-line parsing and Ctrl-C as Cancel.
#include <gtest/gtest.h>

#include <csignal>

#include "kernel/cli.h"
#include "testsupport/fixtures.h"

using namespace cad;
using namespace cad::test;

namespace {
int parse(std::vector<std::string> words, CliArgs& args, std::string& size, bool& flag) {
    CliSpec spec{"prog", "prog [-C DIR] [A [B]] [--size TEXT] [--flag]", 2,
                 {{"size", true, &size}, {"flag", false, nullptr, &flag}}};
    words.insert(words.begin(), "prog");
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    return parse_command_line(static_cast<int>(argv.size()), argv.data(), spec, args);
}
}  // namespace

TEST(CommandLine, OptionsPositionalsAndErrors) {
    CliArgs a;
    std::string size = "500";
    bool flag = false;
    EXPECT_EQ(parse({"LISTA", "--size=20", "--flag", "--", "-raro"}, a, size, flag), -1);
    EXPECT_EQ(a.positional, (std::vector<std::string>{"LISTA", "-raro"}));
    EXPECT_EQ(size, "20");
    EXPECT_TRUE(flag);

    CliArgs b;
    EXPECT_EQ(parse({"--size", ""}, b, size, flag), -1);
    EXPECT_EQ(size, "");  // an empty value is a value
    CliArgs c;
    EXPECT_EQ(parse({"--size"}, c, size, flag), kExitUsage);
    CliArgs d;
    EXPECT_EQ(parse({"--flag=1"}, d, size, flag), kExitUsage);
    CliArgs e;
    EXPECT_EQ(parse({"a", "b", "c"}, e, size, flag), kExitUsage);
    CliArgs f;
    EXPECT_EQ(parse({"-C", "/nonexistent/dir"}, f, size, flag), kExitUsage);
    CliArgs g;
    EXPECT_EQ(parse({"--gui", "X"}, g, size, flag), -1);
    EXPECT_TRUE(g.gui);
}

TEST(CommandLine, DashCChangesDirectoryFirst) {
    TempDir d;
    ChangeDir keep(".");
    CliArgs a;
    std::string size;
    bool flag = false;
    EXPECT_EQ(parse({"-C", d.path, "TREN"}, a, size, flag), -1);
    char buf[4096];
    ASSERT_NE(::getcwd(buf, sizeof buf), nullptr);
    EXPECT_EQ(std::string(buf), d.path);
}

TEST(CommandLine, FirstInterruptClearsTheStopFlag) {
    struct sigaction old {};
    ::sigaction(SIGINT, nullptr, &old);
    volatile std::sig_atomic_t* stop = install_cancel_handler();
    EXPECT_EQ(*stop, 1);
    std::raise(SIGINT);
    EXPECT_EQ(*stop, 0);  // the run sees Cancel at its next element head
    ::sigaction(SIGINT, &old, nullptr);
}
