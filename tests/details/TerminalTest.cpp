// Open Terminal Here: the desktop's terminal is found as desktop environments find it and
// starts in the folder; without one, or for a name that is not text, a clear reason.
#include "details/DesktopServices.h"
#include "support/EventLoop.h"
#include "support/TemporaryTree.h"
#include "support/WidgetApplication.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace vistrel {
namespace {

class Environment {
public:
    Environment(const char* name, const std::string& value)
        : name_(name)
    {
        if (const char* old = std::getenv(name))
            previous_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~Environment()
    {
        if (previous_)
            ::setenv(name_, previous_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> previous_;
};

std::string read(const std::string& path)
{
    std::ifstream input(path);
    std::stringstream text;
    text << input.rdbuf();
    return text.str();
}

TEST(Terminal, TheAlternativeThenTerminalStartedInTheFolder)
{
    testing::ensureApplication();
    testing::TemporaryTree tree;
    const std::string record = tree.path("started-in");
    tree.writeFile("bin/x-terminal-emulator", "#!/bin/sh\npwd > '" + record + "'\n");
    ::chmod(tree.path("bin/x-terminal-emulator").c_str(), 0755);
    tree.makeDirectory("work here");
    {
        Environment path("PATH", tree.path("bin"));
        EXPECT_EQ(DesktopServices::terminalProgram(), QString::fromStdString(tree.path("bin/x-terminal-emulator")));
        EXPECT_EQ(DesktopServices::openTerminal(tree.path("work here/")), std::nullopt);
        ASSERT_TRUE(testing::waitUntil([&] { return !read(record).empty(); }));
        EXPECT_EQ(read(record), tree.path("work here") + "\n");
        EXPECT_TRUE(DesktopServices::openTerminal(tree.path("caf\xe9/"))) << "a name that is not text";
    }
    Environment nowhere("PATH", tree.path("nothing"));
    {
        Environment terminal("TERMINAL", "no-such-terminal");
        EXPECT_FALSE(DesktopServices::terminalProgram());
        const auto failed = DesktopServices::openTerminal(tree.path("work here/"));
        ASSERT_TRUE(failed);
        EXPECT_NE(failed->indexOf(QStringLiteral("TERMINAL")), -1);
    }
    Environment terminal("TERMINAL", tree.path("bin/x-terminal-emulator"));
    EXPECT_TRUE(DesktopServices::terminalProgram()) << "$TERMINAL when the alternative is missing";
}

} // namespace
} // namespace vistrel
