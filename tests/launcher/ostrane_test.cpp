// The launcher as the browser runs it: a real ostrane process, its arguments, its
// exit status and its (absence of) output.
#include "childprocess.h"

#include <gtest/gtest.h>

namespace {

const std::string Ostrane = OLVARIN_BINARY_DIR "/bin/ostrane";

// Prints what the script sees, one element a line between angle brackets, so
// that blanks and braces inside an argument show.
const std::string EchoScript =
    "puts \"argc=$argc\"\n"
    "foreach a $argv { puts \"<$a>\" }\n";

struct OstraneRun {
    int Status = -100;
    std::string Out;
    std::string Err;
};

OstraneRun RunOstrane(const std::vector<std::string>& args)
{
    std::vector<std::string> command{Ostrane};
    command.insert(command.end(), args.begin(), args.end());
    ChildProcess child(command);
    const auto status = child.Wait();
    OstraneRun run;
    run.Status = status.value_or(-100);
    run.Out = child.Stdout();
    run.Err = child.Stderr();
    return run;
}

TEST(Ostrane, PathWithBlanksAndArgumentsReachTheScript)
{
    const TempDir dir;
    const std::string script = dir.Write("a folder/with blanks/echo.tcl", EchoScript).string();

    struct Case {
        std::vector<std::string> Args;
        std::string Expected;
    };
    const Case cases[] = {
        {{"one", "two"}, "argc=2\n<one>\n<two>\n"},
        {{}, "argc=0\n"},
        // The slave's own case: the port alone.
        {{"40123"}, "argc=1\n<40123>\n"},
        // Braces, blanks, quotes, dollars, brackets and an empty argument survive as
        // single elements and are not evaluated.
        {{"a{b", "c d", "}", "", "\"q\"", "$x[y]"}, "argc=6\n<a{b>\n<c d>\n<}>\n<>\n<\"q\">\n<$x[y]>\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{script};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const OstraneRun run = RunOstrane(args);
        EXPECT_EQ(run.Status, 0) << c.Expected;
        EXPECT_EQ(run.Out, c.Expected);
        EXPECT_EQ(run.Err, "");
    }
}

TEST(Ostrane, ExitStatusIsTheScriptsCompletionCode)
{
    const TempDir dir;
    struct Case {
        std::string Script;
        int Status;
    };
    const Case cases[] = {
        {"set x 1\n", 0},
        {"set x 1\nerror {it failed}\n", 1},
        {"nosuchcommand\n", 1},
        {"proc p {} {return 5}\np\nreturn\nerror {not reached}\n", 2},
        {"break\n", 3},
        {"continue\n", 4},
        {"exit 7\n", 7},
        // An unbalanced script is an error, not a crash.
        {"set x {\n", 1},
    };
    for (const Case& c : cases) {
        const std::string script = dir.Write("script.tcl", c.Script).string();
        const OstraneRun run = RunOstrane({script});
        EXPECT_EQ(run.Status, c.Status) << c.Script;
        // Neither the script's result nor its error text is shown.
        EXPECT_EQ(run.Out, "") << c.Script;
        EXPECT_EQ(run.Err, "") << c.Script;
    }
}

TEST(Ostrane, MissingOrEmptyScriptNameFailsQuietly)
{
    const TempDir dir;
    const std::vector<std::vector<std::string>> cases = {
        {},
        {(dir.Path() / "no such script.tcl").string(), "1"},
        {""},
        {dir.Path().string()},
        {std::string(2000, 'x')},
    };
    for (const auto& args : cases) {
        const OstraneRun run = RunOstrane(args);
        EXPECT_EQ(run.Status, 1) << args.size();
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err, "");
    }
}

TEST(Ostrane, ScriptKnowsItsOwnFileButNoVariableHoldsIt)
{
    const TempDir dir;
    const std::string script = dir.Write("where.tcl",
        "puts [file tail [info script]]\n"
        "puts [expr {[lsearch -exact [info globals] argv0] >= 0}]\n").string();
    const OstraneRun run = RunOstrane({script});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, "where.tcl\n0\n");
}

} // namespace
