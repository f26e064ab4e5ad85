// The in-process interpreter on real Tcl interpreters.
#include "etclevalexception.h"
#include "ttcl.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

QString evalError(TTcl& tcl, const QString& script)
{
    try {
        (void)tcl.Eval(script);
    } catch (const ETclEvalException& e) {
        return e.Message();
    }
    return QStringLiteral("<nothing raised>");
}

TEST(TTclTest, EvalReturnsTheResultAndEmptyScriptGivesEmptyText)
{
    TTcl tcl;
    EXPECT_EQ(tcl.Eval(QString()), QString());
    EXPECT_EQ(tcl.Eval(QStringLiteral("expr {6*7}")), QStringLiteral("42"));
    // Global level: a variable set here is a global one.
    (void)tcl.Eval(QStringLiteral("proc p {} { global v; return $v }; set v \u00e9t\u00e9"));
    EXPECT_EQ(tcl.Eval(QStringLiteral("p")), QStringLiteral("\u00e9t\u00e9"));
    EXPECT_EQ(tcl.GetResult(), QStringLiteral("\u00e9t\u00e9"));
}

TEST(TTclTest, EveryCodeButOkRaisesWithTheCurrentResult)
{
    TTcl tcl;
    struct Case {
        const char* script;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"return -code return done", "done"}, // code 2 at top level
        {"set x kept; break", ""},            // break itself leaves an empty result
        {"continue", ""},
        {"return -code break why", "why"},
        {"return -code 7 custom", "custom"},
        {"error boom", "boom"},
        {"no_such_command a b", "invalid command name \"no_such_command\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        EXPECT_EQ(evalError(tcl, QString::fromLatin1(c.script)), QString::fromLatin1(c.message));
    }
    // Tcl 8.6 completes a plain top-level return itself: its value is the result.
    EXPECT_EQ(tcl.Eval(QStringLiteral("return value")), QStringLiteral("value"));
    // Still usable after the errors; nothing was rolled back.
    EXPECT_EQ(tcl.Eval(QStringLiteral("set x")), QStringLiteral("kept"));
}

TEST(TTclTest, SplitListReplacesOnSuccessAndKeepsTheListOnAMalformedOne)
{
    TTcl tcl;
    QStringList list{QStringLiteral("old1"), QStringLiteral("old2"), QStringLiteral("old3")};
    EXPECT_NE(tcl.SplitList(QStringLiteral("a {b c"), list), 0);
    EXPECT_EQ(list, (QStringList{QStringLiteral("old1"), QStringLiteral("old2"), QStringLiteral("old3")}));
    EXPECT_EQ(tcl.GetResult(), QStringLiteral("unmatched open brace in list"));

    EXPECT_EQ(tcl.SplitList(QStringLiteral("a {b c} d"), list), 0);
    EXPECT_EQ(list, (QStringList{QStringLiteral("a"), QStringLiteral("b c"), QStringLiteral("d")}));
    EXPECT_EQ(tcl.SplitList(QStringLiteral("x\\ y {} \"q r\""), list), 0);
    EXPECT_EQ(list, (QStringList{QStringLiteral("x y"), QString(), QStringLiteral("q r")}));
    EXPECT_EQ(tcl.SplitList(QString(), list), 0);
    EXPECT_TRUE(list.isEmpty());
}

TEST(TTclTest, EvalListIgnoresAResultThatIsNoList)
{
    TTcl tcl;
    QStringList list{QStringLiteral("kept")};
    tcl.EvalList(QStringLiteral("set s {a {b}c}"), list);
    EXPECT_EQ(list, QStringList{QStringLiteral("kept")});
    tcl.EvalList(QStringLiteral("list 1 {2 3}"), tcl.Elements);
    EXPECT_EQ(tcl.Elements, (QStringList{QStringLiteral("1"), QStringLiteral("2 3")}));
    EXPECT_THROW(tcl.EvalList(QStringLiteral("error nope"), list), ETclEvalException);
    EXPECT_EQ(list, QStringList{QStringLiteral("kept")});
}

TEST(TTclTest, EachComponentHasItsOwnInterpreter)
{
    TTcl one;
    auto two = std::make_unique<TTcl>();
    (void)one.Eval(QStringLiteral("set only_here 1"));
    EXPECT_EQ(evalError(*two, QStringLiteral("set only_here")),
              QStringLiteral("can't read \"only_here\": no such variable"));
    two.reset();
    EXPECT_EQ(one.Eval(QStringLiteral("set only_here")), QStringLiteral("1"));
    // However many components the process creates, Tcl was told its executable once.
    EXPECT_EQ(TTcl::ExecutableFoundCount(), 1);
}

} // namespace
