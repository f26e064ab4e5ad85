// The Tcl slave as the browser runs it: KrSlave.tcl under the built ostrane (and
// KrDSlave.tcl under the tclsh76 shim), connecting back to a socket the test
// listens on, answering framed commands in order, and ending with the link.
#include "../launcher/childprocess.h"
#include "testagent.h"

#include <gtest/gtest.h>
#include <tcl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

const std::string BinDir = OLVARIN_BINARY_DIR "/bin";
const std::string ShareDir = OLVARIN_BINARY_DIR "/share/olvarin";
const std::string Delimiter = "!@#\r\n";

// The browser's end of the link: listens on a free loopback port, starts the
// slave with that port, accepts its connection.
class SlaveLink {
public:
    // program and script as the browser names them; extra arguments follow the port.
    SlaveLink(const TempDir& home, const std::string& program, const std::string& script,
              const std::vector<std::string>& extra = {})
    {
        FListener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (FListener < 0 || bind(FListener, reinterpret_cast<sockaddr*>(&address), length) != 0
            || listen(FListener, 1) != 0
            || getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot listen");
        std::vector<std::string> args{BinDir + "/" + program, ShareDir + "/" + script,
                                      std::to_string(ntohs(address.sin_port))};
        args.insert(args.end(), extra.begin(), extra.end());
        FSlave = std::make_unique<ChildProcess>(
            args, std::map<std::string, std::string>{
                      {"XDG_CONFIG_HOME", (home.Path() / "config").string()}});

        pollfd pfd{FListener, POLLIN, 0};
        if (poll(&pfd, 1, 20000) != 1)
            throw std::runtime_error("the slave did not connect");
        FConnection = accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
    }

    ~SlaveLink()
    {
        Close();
        if (FListener >= 0)
            close(FListener);
    }

    // Writes commands as the browser frames them: each text plus CR LF.
    void Send(const std::vector<std::string>& commands) const
    {
        std::string bytes;
        for (const auto& c : commands)
            bytes += c + "\r\n";
        ASSERT_EQ(write(FConnection, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Reads until count delimiters have arrived (or 20 s pass); the raw bytes.
    std::string Receive(int count)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (Count(FReceived) < count && std::chrono::steady_clock::now() < deadline) {
            pollfd pfd{FConnection, POLLIN, 0};
            if (poll(&pfd, 1, 200) != 1)
                continue;
            char buffer[4096];
            const ssize_t n = read(FConnection, buffer, sizeof buffer);
            if (n <= 0)
                break;
            FReceived.append(buffer, static_cast<std::size_t>(n));
        }
        std::string all;
        all.swap(FReceived);
        return all;
    }

    // One command, its one reply without the delimiter.
    std::string Ask(const std::string& command)
    {
        Send({command});
        std::string reply = Receive(1);
        EXPECT_EQ(Count(reply), 1) << reply;
        if (reply.size() >= Delimiter.size())
            reply.resize(reply.size() - Delimiter.size());
        return reply;
    }

    void Close()
    {
        if (FConnection >= 0)
            close(FConnection);
        FConnection = -1;
    }

    ChildProcess& Slave() { return *FSlave; }

    static int Count(const std::string& text)
    {
        int n = 0;
        for (auto at = text.find(Delimiter); at != std::string::npos; at = text.find(Delimiter, at + 1))
            ++n;
        return n;
    }

private:
    int FListener = -1;
    int FConnection = -1;
    std::unique_ptr<ChildProcess> FSlave;
    std::string FReceived;
};

TEST(Slave, AnswersEveryCommandInOrder)
{
    const TempDir home;
    SlaveLink link(home, "ostrane", "KrSlave.tcl");
    // Sent in one write, as queued commands are when the slave connects.
    link.Send({
        "expr {6*7}",
        "error {it failed}",
        "nosuchcommand 1",
        "set greeting {}",
        "",
        // A command text with line breaks is one command, with one reply.
        "proc twice {x} {\n    set y [expr {$x * 2}]\n\n    return $y\n}",
        "twice 21",
        // Evaluated at global level: variables persist between commands.
        "set counter 5",
        "incr counter",
        "break",
        "return early",
        "set x {unbalanced",
    });
    EXPECT_EQ(link.Receive(12),
              "042!@#\r\n"
              "1it failed!@#\r\n"
              "1invalid command name \"nosuchcommand\"!@#\r\n"
              "0!@#\r\n"
              "0!@#\r\n"
              "0!@#\r\n"
              "042!@#\r\n"
              "05!@#\r\n"
              "06!@#\r\n"
              "1invoked \"break\" outside of a loop!@#\r\n"
              "0early!@#\r\n"
              "1missing close-brace!@#\r\n");
    // Still in step after a command that could never be completed.
    EXPECT_EQ(link.Ask("expr {6*7}"), "042");
}

TEST(Slave, ReplyTextsNeverBreakTheFraming)
{
    const TempDir home;
    SlaveLink link(home, "ostrane", "KrSlave.tcl");
    struct Case {
        std::string Command;
        std::string Reply;
    };
    const Case cases[] = {
        // A zero character would end what the browser takes from one read.
        {"format a%cb 0", "0a\xEF\xBF\xBD" "b"},
        // The delimiter inside a result or an error text loses its CR.
        {"return \"x!@#\\r\\ny\"", "0x!@#\ny"},
        {"error \"x!@#\\r\\n\"", "1x!@#\n"},
        // CR LF and "!@#" apart are left alone.
        {"return \"a\\r\\nb!@#c\"", "0a\r\nb!@#c"},
        // UTF-8 both ways.
        {"string length \"\xC3\xA9\xE2\x82\xAC\"", "02"},
        {"format %c%c 233 8364", "0\xC3\xA9\xE2\x82\xAC"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(link.Ask(c.Command), c.Reply) << c.Command;
}

TEST(Slave, EndsWhenTheConnectionCloses)
{
    const TempDir home;
    SlaveLink link(home, "ostrane", "KrSlave.tcl");
    EXPECT_EQ(link.Ask("expr {6*7}"), "042");
    link.Close();
    EXPECT_EQ(link.Slave().Wait(std::chrono::seconds(10)), std::optional<int>(0));
    // The normal slave writes nothing anywhere.
    EXPECT_EQ(link.Slave().Stdout(), "");
    EXPECT_EQ(link.Slave().Stderr(), "");
}

TEST(Slave, LoadsTheBrowsersScriptAndResourceFile)
{
    const TempDir home;
    SlaveLink link(home, "ostrane", "KrSlave.tcl");
    // The start-up texts of the browser, in its order.
    EXPECT_EQ(link.Ask("KrSource Olvarin.tcl"), "0");
    EXPECT_EQ(link.Ask("source $KrPath_rc/Olvarin.rc"), "0" + std::string("mib-2 system interfaces snmp snmpV2 private enterprises"));
    EXPECT_EQ(link.Ask("set KrPath_rc"), "0" + (home.Path() / "config" / "olvarin").string());
    EXPECT_EQ(link.Ask("set KrPath_script"), "0" + std::filesystem::canonical(ShareDir).string());
    EXPECT_EQ(link.Ask("lsort [info procs Snmp*Request]"), "0SnmpGlobalRequest SnmpSessionRequest");
    EXPECT_EQ(link.Ask("KrSource nosuchfile.tcl").substr(0, 1), "1");
}

TEST(DebugSlave, LogsCommandsAndRepliesToTheDebugFileOrStandardOutput)
{
    const TempDir home;
    const std::string expected = "> expr {6*7}\n< 042\n> error {no}\n< 1no\n";
    {
        // The browser puts the file name on the command line unquoted: a name
        // with a blank arrives as two words.
        const std::string logFile = (home.Path() / "slave log.txt").string();
        SlaveLink link(home, "tclsh76", "KrDSlave.tcl", {home.Path().string() + "/slave", "log.txt"});
        EXPECT_EQ(link.Ask("expr {6*7}"), "042");
        EXPECT_EQ(link.Ask("error {no}"), "1no");
        link.Close();
        EXPECT_EQ(link.Slave().Wait(std::chrono::seconds(10)), std::optional<int>(0));
        EXPECT_EQ(ReadWholeFile(logFile), expected);
        EXPECT_EQ(link.Slave().Stdout(), "");
    }
    {
        SlaveLink link(home, "tclsh76", "KrDSlave.tcl");
        EXPECT_EQ(link.Ask("expr {6*7}"), "042");
        EXPECT_EQ(link.Ask("error {no}"), "1no");
        link.Close();
        EXPECT_EQ(link.Slave().Wait(std::chrono::seconds(10)), std::optional<int>(0));
        EXPECT_EQ(link.Slave().Stdout(), expected);
    }
}

// The browser's SNMP requests through the slave, against the real agent. Replies
// are taken apart as the browser does: the reply text inserted unchanged after
// "lindex" in an interpreter of its own.
class SlaveSnmp : public ::testing::Test {
protected:
    static void SetUpTestSuite() { FAgent = std::make_unique<TestAgent>(); }
    static void TearDownTestSuite() { FAgent.reset(); }

    void SetUp() override
    {
        static const bool found = (Tcl_FindExecutable(nullptr), true);
        (void)found;
        FInterp = Tcl_CreateInterp();
        FLink = std::make_unique<SlaveLink>(FHome, "ostrane", "KrSlave.tcl");
        ASSERT_EQ(FLink->Ask("KrSource Olvarin.tcl"), "0");
    }
    void TearDown() override
    {
        FLink.reset();
        Tcl_DeleteInterp(FInterp);
    }

    std::string Eval(const std::string& script)
    {
        EXPECT_EQ(Tcl_Eval(FInterp, script.c_str()), TCL_OK) << script;
        return Tcl_GetStringResult(FInterp);
    }

    // Element index of a one-binding result reply, as the main and walk windows
    // take it: "lindex " + reply text + " " + index.
    std::string Element(const std::string& reply, int index)
    {
        return Eval("lindex " + reply.substr(1) + " " + std::to_string(index));
    }

    static std::string Agent() { return FAgent->address(); }

    static std::unique_ptr<TestAgent> FAgent;
    TempDir FHome;
    std::unique_ptr<SlaveLink> FLink;
    Tcl_Interp* FInterp = nullptr;
};

std::unique_ptr<TestAgent> SlaveSnmp::FAgent;

TEST_F(SlaveSnmp, GlobalRequestsAnswerOneBracedBinding)
{
    // The main window's Get and Get Next, texts as it builds them.
    std::string reply = FLink->Ask("SnmpGlobalRequest " + Agent() + " public 5 3 get {{1.3.6.1.2.1.1.1.0 }}");
    ASSERT_EQ(reply.substr(0, 2), "0{") << reply;
    EXPECT_EQ(Element(reply, 0), "1.3.6.1.2.1.1.1.0");
    EXPECT_EQ(Element(reply, 1), "OCTET STRING");
    EXPECT_NE(Element(reply, 2), "");

    reply = FLink->Ask("SnmpGlobalRequest " + Agent() + " public 5 3 getnext {{1.3.6.1.2.1.1 }}");
    EXPECT_EQ(Element(reply, 0), "1.3.6.1.2.1.1.1.0");

    // Set, then Get: a value full of Tcl's special characters comes back as it
    // went, through the slave's evaluation both ways.
    const std::string contact = "ops {desk} $HOME [exit 3] \"x\" \\ y";
    reply = FLink->Ask("SnmpGlobalRequest " + Agent() + " private 5 3 set {{1.3.6.1.2.1.1.4.0  {"
                       + contact + "}}}");
    ASSERT_EQ(reply.substr(0, 1), "0") << reply;
    reply = FLink->Ask("SnmpGlobalRequest " + Agent() + " public 5 3 get {{1.3.6.1.2.1.1.4.0 }}");
    EXPECT_EQ(Element(reply, 2), contact);

    // Failures are error replies and leave no session behind.
    reply = FLink->Ask("SnmpGlobalRequest " + Agent() + " wrong 1 0 get {{1.3.6.1.2.1.1.1.0 }}");
    EXPECT_EQ(reply.substr(0, 11), "1noResponse") << reply;
    EXPECT_EQ(FLink->Ask("info commands snmp?*"), "0");
}

TEST_F(SlaveSnmp, SessionRequestsOfWalkAndTabulateWindows)
{
    const std::string session = FLink->Ask("snmp session -address " + Agent() + " -timeout 5 -retries 3");
    ASSERT_EQ(session.substr(0, 5), "0snmp") << session;
    const std::string name = session.substr(1);

    // The walk: one OID at a time, one binding back.
    std::string reply = FLink->Ask("SnmpSessionRequest " + name + " getnext 1.3.6.1.2.1.1");
    EXPECT_EQ(Element(reply, 0), "1.3.6.1.2.1.1.1.0");
    reply = FLink->Ask("SnmpSessionRequest " + name + " getnext " + Element(reply, 0));
    EXPECT_EQ(Element(reply, 0), "1.3.6.1.2.1.1.2.0");

    // The tabulate window: the columns as one quoted word, one binding each.
    reply = FLink->Ask(name + " getnext \"1.3.6.1.2.1.2.2.1.1 1.3.6.1.2.1.2.2.1.2\"");
    ASSERT_EQ(reply.substr(0, 1), "0") << reply;
    // As the tabulate window takes it apart: a list of bindings, then each one.
    const std::string list = reply.substr(1);
    EXPECT_EQ(Eval("llength {" + list + "}"), "2");
    const std::string first = Eval("lindex {" + list + "} 0");
    const std::string second = Eval("lindex {" + list + "} 1");
    EXPECT_EQ(Eval("lindex {" + first + "} 0").rfind("1.3.6.1.2.1.2.2.1.1.", 0), 0u) << first;
    EXPECT_EQ(Eval("lindex {" + second + "} 0").rfind("1.3.6.1.2.1.2.2.1.2.", 0), 0u) << second;

    EXPECT_EQ(FLink->Ask(name + " destroy").substr(0, 1), "0");
    EXPECT_EQ(FLink->Ask("SnmpSessionRequest " + name + " getnext 1.3.6.1.2.1.1").substr(0, 1), "1");
}

// The browser's recovery restarts it with "exec Olvarin.exe &": that program
// runs the Olvarin beside it, wherever it was found, with the same arguments.
TEST(OlvarinExe, RunsTheBrowserBesideIt)
{
    const TempDir dir;
    const auto program = dir.Path() / "bin" / "Olvarin.exe";
    std::filesystem::create_directories(program.parent_path());
    std::filesystem::copy_file(BinDir + "/Olvarin.exe", program);
    const auto browser = dir.Write("bin/Olvarin", "#!/bin/sh\nfor a in \"$@\"; do echo \"<$a>\"; done\n");
    std::filesystem::permissions(browser, std::filesystem::perms::owner_all);

    ChildProcess child({program.string(), "-address", "a b"});
    EXPECT_EQ(child.Wait(), std::optional<int>(0));
    EXPECT_EQ(child.Stdout(), "<-address>\n<a b>\n");
}

} // namespace
