#include "betakit/BetaScrubber.h"

#include "support/SimPlatformTest.h"

#include <gtest/gtest.h>

namespace {

using betakit::BetaScrubber;

struct Case {
    QString text;
    QString scrubbed;
};

BetaScrubber::Values janeValues() {
    return {QStringLiteral("/home/jdoe"),
            QStringLiteral("jdoe"),
            QStringLiteral("Jane Doe"),
            {QStringLiteral("Jane\u2019s Laptop"), QStringLiteral("janes-laptop"),
             QStringLiteral("janes-laptop.local")},
            {QStringLiteral("4c4c4544-0042-3510-8052-b4c04f4b4e31"), QStringLiteral("C02XK1ABJG5H")}};
}

void expectScrubs(const BetaScrubber& scrubber, bool allNames, std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(scrubber.scrub(c.text, allNames).toStdString(), c.scrubbed.toStdString());
    }
}

TEST(BetaScrubberTest, HomeFolderBecomesTildeOnlyAtAPathEnd) {
    const BetaScrubber scrubber(janeValues());
    expectScrubs(scrubber, false,
                 {{"/home/jdoe/notes.txt", "~/notes.txt"},
                  {"/home/jdoe", "~"},
                  {"open /home/jdoe now", "open ~ now"},
                  {"\"/home/jdoe\" '/home/jdoe' </home/jdoe>", "\"~\" '~' <~>"},
                  {"PATH=/home/jdoe:/usr/bin", "PATH=~:/usr/bin"},
                  // A longer folder name is somebody's home, not the user's.
                  {"/home/jdoextra/x", "/home/[user]/x"},
                  // Letter case counts for paths.
                  {"/HOME/JDOE/x", "/HOME/JDOE/x"},
                  {"/srv/home/jdoe/x", "/srv~/x"}});
    // A home of one character would turn every path into "~".
    expectScrubs(BetaScrubber({QStringLiteral("/"), {}, {}, {}, {}}), true, {{"/usr/bin", "/usr/bin"}});
}

TEST(BetaScrubberTest, OtherUsersHomesLoseTheirNames) {
    const BetaScrubber scrubber(janeValues());
    expectScrubs(scrubber, false,
                 {{"/home/bob/a b.txt", "/home/[user]/a b.txt"},
                  {"/home/bob", "/home/[user]"},
                  {"/var/home/bob/.config", "/var/home/[user]/.config"},
                  {"'/home/bob's'", "'/home/[user]'s'"},
                  {"/home/zoë/x", "/home/[user]/x"},
                  {"/home/", "/home/"},
                  {"/homework/bob", "/homework/bob"},
                  {"/home//x", "/home//x"}});
}

TEST(BetaScrubberTest, EmailAddresses) {
    const BetaScrubber scrubber(janeValues());
    expectScrubs(scrubber, false,
                 {{"write to ann.b+tag@mail.example.org today", "write to [email removed] today"},
                  {"a@b.cd,c@d.ef", "[email removed],[email removed]"},
                  {"user@localhost", "user@localhost"},
                  {"ann@example.c", "ann@example.c"},
                  {"@example.org", "@example.org"}});
}

TEST(BetaScrubberTest, NetworkAndHardwareAddresses) {
    const BetaScrubber scrubber(janeValues());
    expectScrubs(scrubber, false,
                 {// MAC addresses: exactly six pairs.
                  {"mac a4:83:e7:0b:2c:1F up", "mac [address removed] up"},
                  {"a4:83:e7:0b:2c:1f:00", "a4:83:e7:0b:2c:1f:00"},
                  {"at 12:34:56", "at 12:34:56"},
                  // IPv6 addresses, with a zone.
                  {"fe80::1%eth0 up", "[address removed] up"},
                  {"2001:db8:0:0:0:0:2:1", "[address removed]"},
                  {"[::1]:8080", "[[address removed]]:8080"},
                  {"std::vector", "std::vector"},
                  // IPv4 addresses; a four-part version reads as one.
                  {"from 192.168.1.20.", "from [address removed]."},
                  {"version 1.2.3.4", "version [address removed]"},
                  {"version 1.2.3", "version 1.2.3"},
                  {"256.1.1.1", "256.1.1.1"},
                  {"1.2.3.4.5", "1.2.3.4.5"},
                  {"v1.2.3.4", "v1.2.3.4"},
                  {"10.0.0.1x", "10.0.0.1x"}});
}

TEST(BetaScrubberTest, HardwareIdentifiersAnywhereInAnyCase) {
    const BetaScrubber scrubber(janeValues());
    expectScrubs(scrubber, false,
                 {{"uuid=4C4C4544-0042-3510-8052-B4C04F4B4E31", "uuid=[id removed]"},
                  {"serialc02xk1abjg5hX", "serial[id removed]X"}});
    // Identifiers shorter than six characters are left alone.
    expectScrubs(BetaScrubber({{}, {}, {}, {}, {QStringLiteral("ABCDE"), QStringLiteral("ABCDEF")}}), false,
                 {{"ABCDE ABCDEF abcdef", "ABCDE [id removed] [id removed]"}});
}

TEST(BetaScrubberTest, ComputerNamesLongestFirstInAnyCase) {
    const BetaScrubber scrubber(janeValues());
    expectScrubs(scrubber, false,
                 {{"ping JANES-LAPTOP.LOCAL", "ping [name removed]"},
                  {"on janes-laptop now", "on [name removed] now"},
                  {"Jane\u2019s Laptop", "[name removed]"},
                  {"myjanes-laptops", "my[name removed]s"}});
    expectScrubs(BetaScrubber({{}, {}, {}, {QStringLiteral("pc"), QStringLiteral("pc.local")}, {}}), false,
                 {{"pc pc.local", "pc [name removed]"}});
}

TEST(BetaScrubberTest, FreeTextLosesOnlyTheWholeFullName) {
    const BetaScrubber scrubber(janeValues());
    expectScrubs(scrubber, false,
                 {{"JANE DOE wrote this", "[name removed] wrote this"},
                  {"Jane and Doe, jdoe", "Jane and Doe, jdoe"},
                  {"MaryJane Doe", "MaryJane Doe"}});
}

TEST(BetaScrubberTest, MachineTextLosesEveryNameAsAWholeWord) {
    const BetaScrubber scrubber(janeValues());
    expectScrubs(scrubber, true,
                 {{"Jane Doe", "[name removed]"},
                  {"jane, DOE", "[name removed], [name removed]"},
                  {"user jdoe", "user [user]"},
                  {"_jdoe_", "_[user]_"},
                  // Inside a longer word of ASCII letters or digits a name stays.
                  {"Janet jdoe2 doe3 xjdoe", "Janet jdoe2 doe3 xjdoe"},
                  {"/home/jdoe/jdoe.txt", "~/[user].txt"}});
}

TEST(BetaScrubberTest, AWordOfTheFullNameThatIsTheAccountNameBecomesUser) {
    const BetaScrubber scrubber(
        {QStringLiteral("/home/ann"), QStringLiteral("ann"), QStringLiteral("ann Lee"), {}, {}});
    expectScrubs(scrubber, true, {{"ANN, lee", "[user], [name removed]"}, {"Ann Lee", "[name removed]"}});
    // Only the exact account name counts: "Ann" in the full name is another entry.
    const BetaScrubber other(
        {QStringLiteral("/home/ann"), QStringLiteral("ann"), QStringLiteral("Ann Lee"), {}, {}});
    expectScrubs(other, true, {{"ann", "[name removed]"}});
}

TEST(BetaScrubberTest, NamesOfTwoCharactersStay) {
    const BetaScrubber scrubber(
        {QStringLiteral("/home/al"), QStringLiteral("al"), QStringLiteral("Al Bo Smith"), {}, {}});
    expectScrubs(scrubber, true, {{"al Al bo Bo smith", "al Al bo Bo [name removed]"}});
}

TEST(BetaScrubberTest, NonAsciiNamesInAnyCase) {
    const BetaScrubber scrubber(
        {QStringLiteral("/home/zoë"), QStringLiteral("zoë"), QStringLiteral("Ærø Quist"), {}, {}});
    expectScrubs(scrubber, true,
                 {{"ZOË QUIST ærø", "[user] [name removed] [name removed]"},
                  {"zoëlla", "zoëlla"},
                  // Only ASCII letters and digits make a longer word.
                  {"zoë-x zoëé", "[user]-x [user]é"},
                  {"/home/zoë/a", "~/a"}});
    expectScrubs(scrubber, false, {{"zoë ærø ÆRØ QUIST", "zoë ærø [name removed]"}});
}

TEST(BetaScrubberTest, EarlierCategoriesWinOverNames) {
    const BetaScrubber scrubber(janeValues());
    expectScrubs(scrubber, true,
                 {{"jane.doe@example.org", "[email removed]"},
                  {"/home/jdoe/.cache", "~/.cache"},
                  {"janes-laptop.local jdoe", "[name removed] [user]"}});
}

TEST(BetaScrubberTest, LogLinesKeepTheirShape) {
    const BetaScrubber scrubber(janeValues());
    const Case cases[] = {
        {"2026-01-02T03:04:05.678Z beta.launch crashed_last_time=false",
         "2026-01-02T03:04:05.678Z beta.launch crashed_last_time=false"},
        {"2026-01-02T03:04:05.678Z file.opened path=/home/jdoe/x.txt size=3",
         "2026-01-02T03:04:05.678Z file.opened path=removed size=3"},
        {"2026-01-02T03:04:05.678Z jdoe.event a=1", "2026-01-02T03:04:05.678Z removed a=1"},
        {"2026-01-02T03:04:05.678Z ev Jane a=x=jdoe", "2026-01-02T03:04:05.678Z ev removed a=removed"},
        {"2026-01-02T03:04:05.678Z ev  a=jdoe ", "2026-01-02T03:04:05.678Z ev  a=removed "},
        // The time stamp is never touched.
        {"jdoe ev a=1", "jdoe ev a=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(scrubber.scrubLogLine(c.text).toStdString(), c.scrubbed.toStdString());
    }
}

TEST(BetaScrubberTest, IdentityInPunctuationDashesOtherScriptsAndLogEscapes) {
    // A home outside /home, so only the home rule can catch it, and a machine identifier that is
    // written without dashes.
    const BetaScrubber scrubber({QStringLiteral("/srv/jdoe"),
                                 QStringLiteral("jdoe"),
                                 QStringLiteral("Jane Doe"),
                                 {},
                                 {QStringLiteral("4c4c454400423510 8052b4c04f4b4e31").remove(' ')}});
    expectScrubs(scrubber, false,
                 {{"(/srv/jdoe)", "(~)"},
                  {"in /srv/jdoe, then /srv/jdoe; ok", "in ~, then ~; ok"},
                  {"It lives in /srv/jdoe.", "It lives in ~."},
                  {"(/srv/jdoe).", "(~)."},
                  {"/srv/jdoe.old/x /srv/jdoe,v", "/srv/jdoe.old/x /srv/jdoe,v"},
                  {"/home/bob. /home/bob) /home/bob.old/x", "/home/[user]. /home/[user]) /home/[user]/x"},
                  {"id 4C4C4544-0042-3510-8052-B4C04F4B4E31.", "id [id removed]."},
                  {"4c4c4544-0042-3510-8052-b4c04f4b4e30", "4c4c4544-0042-3510-8052-b4c04f4b4e30"},
                  {"alice@exämple.de, jürgen@café.example", "[email removed], [email removed]"},
                  {"alice@exa\u0308mple.de", "[email removed]"},
                  {"alice@exämple", "alice@exämple"}});
    const Case lines[] = {
        {"2026-01-02T03:04:05.678Z mail.sent to=alice+40example.com n=1",
         "2026-01-02T03:04:05.678Z mail.sent to=removed n=1"},
        {"2026-01-02T03:04:05.678Z file.opened path=+2Fsrv+2Fjdoe+2Fa.txt",
         "2026-01-02T03:04:05.678Z file.opened path=removed"},
        {"2026-01-02T03:04:05.678Z boot id=4c4c4544-0042-3510-8052-b4c04f4b4e31",
         "2026-01-02T03:04:05.678Z boot id=removed"},
        {"2026-01-02T03:04:05.678Z file.opened path=+2Ftmp+2Fa.txt size=1+2B2",
         "2026-01-02T03:04:05.678Z file.opened path=+2Ftmp+2Fa.txt size=1+2B2"},
    };
    for (const Case& c : lines) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(scrubber.scrubLogLine(c.text).toStdString(), c.scrubbed.toStdString());
    }
}

class BetaScrubberIdentityTest : public SimPlatformTest {};

TEST_F(BetaScrubberIdentityTest, ReadsTheIdentityOfThePlatform) {
    identity().setValues({QStringLiteral("/home/jdoe"),
                          QStringLiteral("jdoe"),
                          QStringLiteral("Jane Doe"),
                          QStringLiteral("Jane's PC"),
                          QStringLiteral("janes-pc"),
                          {QStringLiteral("0123456789abcdef")}});
    const BetaScrubber scrubber(platform());
    EXPECT_EQ(scrubber.home(), "/home/jdoe");
    EXPECT_EQ(scrubber.userName(), "jdoe");
    EXPECT_EQ(scrubber.fullName(), "Jane Doe");
    EXPECT_EQ(scrubber.computerNames(), QStringList({"Jane's PC", "janes-pc", "janes-pc.local"}));
    EXPECT_EQ(scrubber.hardwareIDs(), QStringList({"0123456789abcdef"}));

    // Values the system doesn't give shorten the lists.
    identity().setValues({QStringLiteral("/home/jdoe"),
                          QStringLiteral("jdoe"),
                          {},
                          std::nullopt,
                          QStringLiteral("janes-pc"),
                          {}});
    EXPECT_EQ(BetaScrubber(platform()).computerNames(), QStringList({"janes-pc", "janes-pc.local"}));
    identity().setValues({});
    EXPECT_EQ(BetaScrubber(platform()).computerNames(), QStringList());
    EXPECT_EQ(BetaScrubber(platform()).scrub(QStringLiteral("/home/x/y z"), true),
              QStringLiteral("/home/[user]/y z"));
}

} // namespace
