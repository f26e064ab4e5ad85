// init.tcl, the start-up script of every interpreter (the slave sources it too):
// where KrPath_rc and KrPath_script point, and how the user's resource folder is
// seeded from the installed defaults and kept up to date.
#include "../launcher/childprocess.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

const fs::path ShareDir = OLVARIN_BINARY_DIR "/share/olvarin";

// Runs init.tcl in a fresh tclsh with the given environment and returns what it
// set: KrPath_rc, a newline, KrPath_script.
std::string RunInit(const TempDir& dir, const std::map<std::string, std::string>& env,
                    const std::vector<std::string>& unset = {})
{
    std::string script;
    for (const auto& name : unset)
        script += "unset -nocomplain env(" + name + ")\n";
    script += "catch {source {" + (ShareDir / "init.tcl").string() + "}}\n"
              "puts $KrPath_rc\nputs $KrPath_script\n";
    const fs::path file = dir.Write("probe.tcl", script);
    ChildProcess tclsh({"/usr/bin/tclsh8.6", file.string()}, env);
    EXPECT_EQ(tclsh.Wait(), std::optional<int>(0)) << tclsh.Stderr();
    return tclsh.Stdout();
}

TEST(SlaveStartup, SeedsTheUsersResourceFolderOnce)
{
    const TempDir dir;
    const fs::path config = dir.Path() / "config";
    const fs::path rc = config / "olvarin";
    const std::string share = fs::canonical(ShareDir).string();
    const std::map<std::string, std::string> env{{"XDG_CONFIG_HOME", config.string()}};

    EXPECT_EQ(RunInit(dir, env), rc.string() + "\n" + share + "\n");
    EXPECT_EQ(ReadWholeFile(rc / "Olvarin.rc"), ReadWholeFile(ShareDir / "Olvarin.rc"));
    EXPECT_EQ(ReadWholeFile(rc / "Olvarin.rc.default"), ReadWholeFile(ShareDir / "Olvarin.rc.default"));

    // The user's (or the recovery's) Olvarin.rc is left alone; a stale or
    // missing default copy is brought back to the installed one.
    dir.Write("config/olvarin/Olvarin.rc", "set DisplayRoots {system}\n");
    dir.Write("config/olvarin/Olvarin.rc.default", "set DisplayRoots {old}\n");
    EXPECT_EQ(RunInit(dir, env), rc.string() + "\n" + share + "\n");
    EXPECT_EQ(ReadWholeFile(rc / "Olvarin.rc"), "set DisplayRoots {system}\n");
    EXPECT_EQ(ReadWholeFile(rc / "Olvarin.rc.default"), ReadWholeFile(ShareDir / "Olvarin.rc.default"));

    fs::remove(rc / "Olvarin.rc.default");
    EXPECT_EQ(RunInit(dir, env), rc.string() + "\n" + share + "\n");
    EXPECT_EQ(ReadWholeFile(rc / "Olvarin.rc.default"), ReadWholeFile(ShareDir / "Olvarin.rc.default"));
    EXPECT_EQ(ReadWholeFile(rc / "Olvarin.rc"), "set DisplayRoots {system}\n");
}

TEST(SlaveStartup, FallsBackToHomeAndThenToTheInstalledFiles)
{
    const TempDir dir;
    const std::string share = fs::canonical(ShareDir).string();
    const fs::path home = dir.Path() / "home";
    fs::create_directories(home);

    // A relative XDG_CONFIG_HOME does not count; nor does an unset one.
    EXPECT_EQ(RunInit(dir, {{"HOME", home.string()}, {"XDG_CONFIG_HOME", "relative/config"}}),
              (home / ".config" / "olvarin").string() + "\n" + share + "\n");
    EXPECT_TRUE(fs::is_regular_file(home / ".config" / "olvarin" / "Olvarin.rc"));
    EXPECT_EQ(RunInit(dir, {{"HOME", home.string()}}, {"XDG_CONFIG_HOME"}),
              (home / ".config" / "olvarin").string() + "\n" + share + "\n");

    // Nowhere to write: the installed files are used as they are.
    EXPECT_EQ(RunInit(dir, {}, {"XDG_CONFIG_HOME", "HOME"}), share + "\n" + share + "\n");
    // A config "folder" that cannot hold one (it is a file): even root fails.
    const fs::path notAFolder = dir.Write("not-a-folder", "");
    EXPECT_EQ(RunInit(dir, {{"XDG_CONFIG_HOME", notAFolder.string()}}), share + "\n" + share + "\n");
}

} // namespace
