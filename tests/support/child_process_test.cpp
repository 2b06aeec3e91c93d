// Processes the tests start: unelevated with a restricted token, or as
// they are, with the environment and show command the test gives either way.
#include "child_process.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "beside_program.h"
#include "scratch_folder.h"

namespace {

const DWORD kProbeMs = 20000;

// The probe's report as name -> value.
std::map<std::string, std::string> Report(const std::string& text) {
    std::map<std::string, std::string> values;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        size_t colon = line.find(": ");
        if (colon != std::string::npos) values[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return values;
}

bool AdministratorsEnabledHere() {
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    BOOL member = FALSE;
    return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) &&
           CheckTokenMembership(nullptr, administrators, &member) && member;
}

}  // namespace

// The launcher calls a run elevated when the membership check finds
// Administrators enabled (or the user is SYSTEM). Under Wine every process
// is elevated, this test too; only the restricted token makes a child that
// the check does not count, while its user and its start stay the same.
TEST(ChildProcess, StartsUnelevatedWithAdministratorsDenyOnlyOrAsIs) {
    ASSERT_TRUE(AdministratorsEnabledHere()) << "the tests are meant to run elevated, as every process under Wine";
    struct Case {
        Elevation elevation;
        const char* name;
        const char* member;
        const char* group;
    };
    const Case cases[] = {
        {Elevation::AsIs, "as is", "yes", "enabled"},
        {Elevation::Unelevated, "unelevated", "no", "deny-only"},
    };
    ScratchFolder scratch("ep");
    std::string probe = BesideTestProgram("elevation_probe.exe");
    EnvironmentBlock environment = EnvironmentBlock::Current();
    // Cyrillic and an umlaut: the block stays in 16 bits on either path.
    environment.Set("TV_PROBE_MARK", std::wstring(L"\u0414\u043c\u0438\u0442\u0440\u0438\u0439 \u00f6"));
    std::map<std::string, std::string> users;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string reportFile = scratch / (std::string("report-") + (c.elevation == Elevation::AsIs ? "as-is" : "un"));
        ChildProcess child;
        ASSERT_TRUE(child.Start(probe, "\"" + probe + "\" \"" + reportFile + "\"", environment, c.elevation,
                                SW_SHOWMINNOACTIVE))
            << child.Failure();
        EXPECT_EQ("", child.Failure());
        ASSERT_TRUE(child.Wait(kProbeMs)) << "the probe did not end";
        EXPECT_EQ(0u, child.ExitCode());
        std::map<std::string, std::string> report = Report(ScratchFolder::ReadAll(reportFile));
        EXPECT_EQ(c.member, report["member"]);
        EXPECT_EQ(c.group, report["group"]);
        EXPECT_EQ("\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9 \xC3\xB6", report["mark"]);
        EXPECT_EQ(std::to_string(SW_SHOWMINNOACTIVE), report["show"]);
        users[c.name] = report["user"];
    }
    // The same user either way, and not SYSTEM, which counts as elevated whatever its groups.
    EXPECT_EQ(users["as is"], users["unelevated"]);
    EXPECT_EQ(0u, users["as is"].rfind("S-1-5-", 0)) << users["as is"];
    EXPECT_NE("S-1-5-18", users["unelevated"]);
}

// A start that fails names the call and the Windows error, and leaves no process.
TEST(ChildProcess, AFailedStartSaysWhichCallFailedAndWhy) {
    ScratchFolder scratch("ef");
    std::string missing = scratch / "missing.exe";
    struct Case {
        Elevation elevation;
        const char* failure;
    };
    const Case cases[] = {
        {Elevation::AsIs, "CreateProcessW failed: error 2"},
        {Elevation::Unelevated, "CreateProcessAsUserW failed: error 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failure);
        ChildProcess child;
        EXPECT_FALSE(child.Start(missing, "\"" + missing + "\"", EnvironmentBlock::Current(), c.elevation));
        EXPECT_EQ(c.failure, child.Failure());
        EXPECT_EQ(nullptr, child.Handle());
        EXPECT_EQ(0u, child.Id());
    }
}
