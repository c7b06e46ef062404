// The site memory on its own file: choices round the table, damage, locks and two processes.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "core/file_io.h"
#include "memory/site_memory.h"
#include "memory/sqlite_database.h"
#include "support/core_application.h"
#include "support/temp_folder.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

const std::string kSite = "http://www.example.jp";
const SiteDefaults kDefaults{"weekly", "0.5"};

std::string row(const std::string& name, const std::string& priority = "0.5") {
    return kSite + "/;" + name + ";2006-12-01T00:00:00+09:00;weekly;" + priority + ";";
}

std::string address(const std::string& name) {
    return kSite + "/" + name;
}

// Collects what the memory tells.
struct Told {
    std::vector<SiteMemory::Problem> problems;
    SiteMemory::ProblemHandler Handler() {
        return [this](const SiteMemory::Problem& problem) { problems.push_back(problem); };
    }
};

std::vector<std::string> listed(SiteMemory& memory) {
    std::vector<std::string> lines;
    for (const PageChoice& page : memory.List())
        lines.push_back(page.address + (page.unticked ? " unticked " : " ") + page.changefreq +
                        "/" + page.priority + (page.setAt.empty() ? " no time" : ""));
    return lines;
}

unsigned permissions(const fs::path& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 0777 : 0;
}

pid_t startWriter(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {SW_MEMORY_WRITER};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    pid_t pid = -1;
    return posix_spawn(&pid, SW_MEMORY_WRITER, nullptr, nullptr, pointers.data(), environ) == 0
               ? pid
               : -1;
}

class SiteMemoryTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureCoreApplication(); }

    fs::path file() const { return folder.Path() / SiteMemory::kFileName; }

    TempFolder folder{"sw_memory"};
};

} // namespace

TEST_F(SiteMemoryTest, ChoicesComeBackWithTheirRowsAndNewPagesAreMarked) {
    Told told;
    SiteMemory memory(folder.Path(), kSite, told.Handler());
    ASSERT_TRUE(memory.IsOn());

    // The first retrieval of a site: nothing is new, every page becomes known.
    std::vector<std::string> rows = {row("c.html"), row("a.html"), row("b.html")};
    AppliedMemory applied = memory.Apply(rows, true);
    EXPECT_EQ(applied.fresh, 0u);
    EXPECT_EQ(applied.unticked, 0u);

    memory.Record({ChoiceOfRow(row("a.html"), false, kDefaults),
                   ChoiceOfRow(row("b.html", "高め"), true, kDefaults),
                   ChoiceOfRow(row("c.html"), true, kDefaults)});
    EXPECT_EQ(listed(memory), (std::vector<std::string>{address("a.html") + " unticked /",
                                                        address("b.html") + " /高め"}));

    // The next retrieval: c.html is gone, d.html came.
    rows = {row("d.html"), row("b.html"), row("a.html")};
    applied = memory.Apply(rows, true);
    EXPECT_EQ(rows, (std::vector<std::string>{row("d.html"), row("b.html", "高め"), row("a.html")}));
    using Mark = AppliedMemory::Mark;
    EXPECT_EQ(applied.marks, (std::vector<std::uint8_t>{Mark::kNew, 0, Mark::kUnticked}));
    EXPECT_EQ(applied.unticked, 1u);
    EXPECT_EQ(applied.edited, 1u);
    EXPECT_EQ(applied.fresh, 1u);
    EXPECT_EQ(applied.missing, 1u);

    EXPECT_EQ(memory.Missing(rows), std::vector<std::string>{address("c.html")});
    EXPECT_EQ(memory.Forget(memory.Missing(rows)), 1u);

    // Ticked again and back to the default: no choice is left for a.html.
    memory.Record({ChoiceOfRow(row("a.html"), true, kDefaults)});
    EXPECT_EQ(listed(memory), std::vector<std::string>{address("b.html") + " /高め"});

    // A run that does not learn leaves a new page new.
    std::vector<std::string> withE = {row("e.html"), row("d.html")};
    for (int run = 0; run < 2; ++run) {
        std::vector<std::string> again = withE;
        EXPECT_EQ(memory.Apply(again, false).fresh, 1u);
    }

    // Another site in the same folder knows nothing of these.
    SiteMemory other(folder.Path(), "http://other.example", told.Handler());
    EXPECT_EQ(other.Apply(withE, true).fresh, 0u);
    EXPECT_TRUE(other.List().empty());

    EXPECT_EQ(memory.Reset(), 3u); // a, b, d
    EXPECT_TRUE(memory.List().empty());
    EXPECT_EQ(other.Apply(withE, false).missing, 0u);
    std::vector<std::string> once = {row("x.html")};
    EXPECT_EQ(memory.Apply(once, true).fresh, 0u);
    EXPECT_TRUE(told.problems.empty());
}

TEST_F(SiteMemoryTest, TheFileIsTheOwnersAndTwoProcessesShareIt) {
    Told told;
    SiteMemory memory(folder.Path(), kSite, told.Handler());
    memory.Record({{address("first.html"), true, "", "", ""}});
    EXPECT_EQ(permissions(file()), 0600u);
    fs::path wal = file();
    wal += "-wal";
    ASSERT_TRUE(fs::exists(wal)); // written ahead
    EXPECT_EQ(permissions(wal), 0600u);

    // Another process writes while this one does, transaction by transaction.
    const int count = 100;
    const pid_t writer = startWriter({folder.Path().string(), kSite, "w", std::to_string(count)});
    ASSERT_GT(writer, 0);
    for (int i = 0; i < count; ++i)
        memory.Record({{address("m" + std::to_string(i) + ".html"), true, "daily", "", ""}});
    int status = -1;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(memory.List().size(), std::size_t(2 * count + 1));

    // A writer killed outright keeps every change it committed.
    const pid_t killed = startWriter({folder.Path().string(), kSite, "k", "20", "kill"});
    ASSERT_GT(killed, 0);
    ASSERT_EQ(::waitpid(killed, &status, 0), killed);
    EXPECT_TRUE(WIFSIGNALED(status));
    SiteMemory reopened(folder.Path(), kSite, told.Handler());
    EXPECT_EQ(reopened.List().size(), std::size_t(2 * count + 21));
    EXPECT_TRUE(told.problems.empty());

    SqliteDatabase db;
    ASSERT_TRUE(db.open(file(), SiteMemory::kDefaultBusyTimeout));
    SqliteStatement query(db, "PRAGMA integrity_check");
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.text(0), "ok");
}

TEST_F(SiteMemoryTest, ADamagedFileIsKeptAsideAndANewMemoryStarts) {
    const std::vector<std::pair<const char*, std::function<void(const fs::path&)>>> damages = {
        {"not a database", [](const fs::path& path) { WriteFileAtomically(path, "hello\n"); }},
        {"pages overwritten",
         [](const fs::path& path) {
             {
                 SiteMemory full(path.parent_path(), kSite, {});
                 std::vector<PageChoice> many;
                 for (int i = 0; i < 3000; ++i)
                     many.push_back(
                         {address("page" + std::to_string(i) + ".html"), true, "", "", ""});
                 full.Record(many);
             }
             std::fstream bytes(path, std::ios::in | std::ios::out | std::ios::binary);
             bytes.seekp(3 * 4096);
             bytes << std::string(3 * 4096, '\xA5');
         }},
        {"another program's database",
         [](const fs::path& path) {
             SqliteDatabase db;
             db.open(path, SiteMemory::kDefaultBusyTimeout);
             db.exec("CREATE TABLE notes(text TEXT)");
         }},
    };
    for (const auto& [name, damage] : damages) {
        SCOPED_TRACE(name);
        TempFolder own("sw_memory_damage");
        const fs::path path = own.Path() / SiteMemory::kFileName;
        damage(path);
        const std::string before = ReadFile(path);

        Told told;
        SiteMemory memory(own.Path(), kSite, told.Handler());
        ASSERT_EQ(told.problems.size(), 1u);
        EXPECT_EQ(told.problems[0].kind, SiteMemory::Problem::Kind::Damaged);
        EXPECT_EQ(told.problems[0].file, path);
        std::vector<fs::path> aside;
        for (const auto& entry : fs::directory_iterator(own.Path()))
            if (entry.path().filename().string().rfind("site_memory.db.damaged-", 0) == 0)
                aside.push_back(entry.path());
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(told.problems[0].detail, aside[0].string());
        EXPECT_EQ(ReadFile(aside[0]), before);

        EXPECT_TRUE(memory.IsOn());
        memory.Record({{address("a.html"), true, "", "", ""}});
        EXPECT_EQ(memory.List().size(), 1u);
        EXPECT_EQ(told.problems.size(), 1u);
    }
}

TEST_F(SiteMemoryTest, ALockedMemoryIsToldOnceAndLeftOff) {
    SiteMemory(folder.Path(), kSite, {}).Record({{address("a.html"), true, "", "", ""}});
    for (const bool lockFirst : {true, false}) {
        SCOPED_TRACE(lockFirst);
        Told told;
        std::unique_ptr<SiteMemory> memory;
        if (!lockFirst)
            memory = std::make_unique<SiteMemory>(folder.Path(), kSite, told.Handler(), true,
                                                  std::chrono::milliseconds(100));
        {
            SqliteDatabase hold;
            ASSERT_TRUE(hold.open(file(), SiteMemory::kDefaultBusyTimeout));
            // Before the memory opens, an exclusive hold keeps even readers out; once it is
            // open, another writer keeps its writes out.
            if (lockFirst) {
                ASSERT_TRUE(hold.exec("PRAGMA locking_mode=EXCLUSIVE"));
            }
            ASSERT_TRUE(hold.exec("BEGIN EXCLUSIVE"));
            if (lockFirst)
                memory = std::make_unique<SiteMemory>(folder.Path(), kSite, told.Handler(), true,
                                                      std::chrono::milliseconds(100));
            std::vector<std::string> rows = {row("a.html"), row("b.html")};
            memory->Record({{address("b.html"), true, "", "", ""}});
            const AppliedMemory applied = memory->Apply(rows, true);
            EXPECT_EQ(applied.marks, std::vector<std::uint8_t>(2, 0));
            memory->Record({{address("c.html"), true, "", "", ""}});
            EXPECT_FALSE(memory->IsOn());
            EXPECT_TRUE(memory->Locked());
            // Held from the start, the lock is the caller's to handle: the run must not go on.
            ASSERT_EQ(told.problems.size(), lockFirst ? 0u : 1u);
            if (!lockFirst) {
                EXPECT_EQ(told.problems[0].kind, SiteMemory::Problem::Kind::Locked);
            }
            hold.exec("ROLLBACK");
        }
        memory.reset();
        // Nothing of the locked time was kept, and the file is whole.
        SiteMemory after(folder.Path(), kSite, told.Handler());
        EXPECT_EQ(listed(after), std::vector<std::string>{address("a.html") + " unticked /"});
        EXPECT_FALSE(after.Locked());
        EXPECT_EQ(told.problems.size(), lockFirst ? 0u : 1u);
    }
}
