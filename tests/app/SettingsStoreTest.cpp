// The settings store over real table files: cursor rules, the path and
// defaults records, and what happens when the files are damaged, read-only
// or held by another process.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/DbEngine.h"
#include "app/Settings.h"
#include "tests/app/TableFiles.h"

namespace fs = std::filesystem;

namespace {

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = MakeTempFolder("vorn-store");
        CreateTableFiles(dir_);
        conn_.SetConnectPath(dir_.string());
        conn_.SetBusyTimeoutMs(200);
        conn_.Connect();
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    TDbConnection conn_;
};

std::string FileBytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST_F(SettingsStore, PathTableFollowsKeyOrderAndFindKeepsPositionOnAMiss)
{
    SqlExec(dir_ / "Path.ADT",
            "INSERT INTO Path VALUES ('TALM','c:\\t','talmeqex.exe'),('$LOC','1',''),('PELLO','c:\\p   ','p.exe  ')");
    TDbTable path(conn_, "PathTab", "Path.ADT");
    path.SetIndexFieldNames("PFPRODUCT");
    path.Open();
    EXPECT_EQ(path.FieldText("pfproduct"), "$LOC");  // fields found without case

    std::vector<std::string> order;
    for (path.First(); !path.Eof(); path.Next())
        order.push_back(path.FieldText(kPfProduct));
    EXPECT_EQ(order, (std::vector<std::string>{"$LOC", "PELLO", "TALM"}));

    ASSERT_TRUE(path.FindKey("PELLO"));
    EXPECT_EQ(path.FieldText(kPfPath), "c:\\p");  // trailing blanks removed
    EXPECT_EQ(path.FieldText(kPfFileName), "p.exe");
    // Only an exact key matches; every miss leaves PELLO current.
    for (const char* miss : {"pello", "PELL", "PELLO ", "", "SEN"}) {
        EXPECT_FALSE(path.FindKey(miss)) << miss;
        EXPECT_EQ(path.FieldText(kPfProduct), "PELLO") << miss;
    }
    EXPECT_THROW(path.FieldText("NoSuchField"), EDbError);
}

TEST_F(SettingsStore, GetPathDataAppendsOnlyWhenAskedAndLeavesTheRecordCurrent)
{
    TDbTable path(conn_, "PathTab", "Path.ADT");
    path.SetIndexFieldNames("PFPRODUCT");
    // Opens a closed table itself.
    EXPECT_TRUE(GetPathData("$LOC", "1", "", true, path));
    EXPECT_TRUE(GetPathData("SEN", "c:\\program files\\tessaroinc\\sennet", "sennetrk.exe", true, path));
    EXPECT_EQ(path.FieldText(kPfFileName), "sennetrk.exe");

    // A second call with other defaults finds the stored record unchanged.
    EXPECT_TRUE(GetPathData("SEN", "elsewhere", "other.exe", true, path));
    EXPECT_EQ(path.FieldText(kPfPath), "c:\\program files\\tessaroinc\\sennet");

    // A missing key without adding: false, and SEN stays current.
    EXPECT_FALSE(GetPathData("CORV", "x", "y", false, path));
    EXPECT_EQ(path.FieldText(kPfProduct), "SEN");
    EXPECT_EQ(path.RecordCount(), 2);
}

TEST_F(SettingsStore, SetPathDataUpdatesOrAppendsAndAnotherProcessSeesIt)
{
    TDbTable path(conn_, "PathTab", "Path.ADT");
    path.SetIndexFieldNames("PFPRODUCT");
    SetPathData("PELLO-B", "A:\\", "12/11/2026 10:00:00", path);
    SetPathData("PELLO-B", "D:\\Backups", "12/11/2026 11:30:05", path);
    SetPathData("$LOC", "0", "", path);
    EXPECT_EQ(path.RecordCount(), 2);
    EXPECT_EQ(path.FieldText(kPfProduct), "$LOC");

    EXPECT_EQ(SqlQuery(dir_ / "Path.ADT", "SELECT PfProduct||'|'||PfPath||'|'||PfFileName FROM Path ORDER BY 1"),
              "$LOC|0|\nPELLO-B|D:\\Backups|12/11/2026 11:30:05\n");
}

TEST_F(SettingsStore, EditReadsTheRecordAfreshFromTheFile)
{
    SqlExec(dir_ / "Path.ADT", "INSERT INTO Path VALUES ('$NAME','Ann','')");
    TDbTable path(conn_, "PathTab", "Path.ADT");
    path.SetIndexFieldNames("PFPRODUCT");
    path.Open();
    EXPECT_EQ(path.FieldText(kPfPath), "Ann");
    SqlExec(dir_ / "Path.ADT", "UPDATE Path SET PfPath='Bob', PfFileName='kept'");
    path.Edit();
    EXPECT_EQ(path.FieldText(kPfPath), "Bob");
    path.SetFieldText(kPfPath, "Cy");
    path.Post();
    // Only the changed field is written: the other one keeps the file's value.
    EXPECT_EQ(SqlQuery(dir_ / "Path.ADT", "SELECT PfPath||'|'||PfFileName FROM Path"), "Cy|kept\n");
}

TEST_F(SettingsStore, AFailedStoreChangesNothingAndDropsTheEdit)
{
    SqlExec(dir_ / "Path.ADT", "INSERT INTO Path VALUES ('SEN','c:\\s','s.exe')");
    TDbTable path(conn_, "PathTab", "Path.ADT");
    path.SetIndexFieldNames("PFPRODUCT");
    path.Open();
    path.Append();
    path.SetFieldText(kPfProduct, "SEN");  // duplicate key: the insert fails
    path.SetFieldText(kPfPath, "new");
    try {
        path.Post();
        FAIL() << "duplicate key stored";
    } catch (const EDbError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("PathTab: ", 0), 0u) << e.what();
    }
    EXPECT_EQ(path.State(), dsBrowse);
    EXPECT_EQ(path.FieldText(kPfProduct), "SEN");
    EXPECT_EQ(path.FieldText(kPfPath), "c:\\s");
    EXPECT_EQ(path.RecordCount(), 1);
    // The swallowed error of GetPathData's append reports false.
    SqlExec(dir_ / "Path.ADT", "CREATE TRIGGER no_add BEFORE INSERT ON Path BEGIN SELECT RAISE(ABORT,'full'); END");
    EXPECT_FALSE(GetPathData("CORV", "c", "c.exe", true, path));
    EXPECT_EQ(path.State(), dsBrowse);
    SetPathData("TALM", "t", "t.exe", path);  // swallowed too
    EXPECT_EQ(path.RecordCount(), 1);
}

TEST_F(SettingsStore, DefaultsRecordIsInsertedByTheFirstStoreThenUpdated)
{
    TDbTable defaults(conn_, "Defaults", "Defaults.ADT");
    EXPECT_EQ(ReadDefaultFloppy(defaults), "");
    WriteDefaultFloppy(defaults, "A");
    EXPECT_EQ(ReadDefaultFloppy(defaults), "A");
    WriteDefaultFloppy(defaults, "B");
    EXPECT_EQ(SqlQuery(dir_ / "Defaults.ADT", "SELECT DeFloppy FROM Defaults"), "B\n");

    // A pending change is completed rather than restarted.
    defaults.Edit();
    defaults.SetFieldText(kDeFloppy, "Q");
    WriteDefaultFloppy(defaults, "C");
    EXPECT_EQ(SqlQuery(dir_ / "Defaults.ADT", "SELECT DeFloppy FROM Defaults"), "C\n");
}

TEST_F(SettingsStore, BadTableFilesGiveTheComponentsErrorAndAreLeftAlone)
{
    struct Case {
        const char* what;
        std::string content;  // empty: no file at all
        const char* expected;
    };
    const Case cases[] = {
        {"missing file", "", "PathTab: unable to open database file"},
        {"not a database", std::string(4096, 'x'), "PathTab: file is not a database"},
        {"text file", "PfProduct,PfPath\nPELLO,c:\\\n", "PathTab: file is not a database"},
        {"empty database", "\x01", "PathTab: no table in Path.ADT"},
    };
    for (const auto& c : cases) {
        const fs::path file = dir_ / "Path.ADT";
        fs::remove(file);
        if (c.content == "\x01")
            SqlExec(file, "PRAGMA user_version=1");
        else if (!c.content.empty())
            std::ofstream(file, std::ios::binary) << c.content;
        const std::string before = fs::exists(file) ? FileBytes(file) : "";

        TDbTable path(conn_, "PathTab", "Path.ADT");
        path.SetIndexFieldNames("PFPRODUCT");
        try {
            GetPathData("$LOC", "1", "", true, path);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const EDbError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.expected, 0), 0u) << c.what << ": " << e.what();
        }
        EXPECT_FALSE(path.Active()) << c.what;
        EXPECT_EQ(fs::exists(file), !c.content.empty()) << c.what << ": a file was created";
        if (fs::exists(file)) {
            EXPECT_EQ(FileBytes(file), before) << c.what << ": file changed";
        }
    }
}

TEST_F(SettingsStore, ATableLockedByAnotherProcessGivesAnErrorWithoutHanging)
{
    TDbTable path(conn_, "PathTab", "Path.ADT");
    path.SetIndexFieldNames("PFPRODUCT");
    path.Open();
    TDbTable defaults(conn_, "Defaults", "Defaults.ADT");
    defaults.Open();

    HeldLock lock(dir_ / "Path.ADT");
    HeldLock lock2(dir_ / "Defaults.ADT");
    const auto start = std::chrono::steady_clock::now();
    try {
        GetPathData("$LOC", "1", "", true, path);
        FAIL() << "read through an exclusive lock";
    } catch (const EDbError& e) {
        EXPECT_STREQ(e.what(), "PathTab: database is locked");
    }
    try {
        WriteDefaultFloppy(defaults, "A");
        FAIL() << "stored through an exclusive lock";
    } catch (const EDbError& e) {
        EXPECT_STREQ(e.what(), "Defaults: database is locked");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(defaults.State(), dsBrowse);
}

TEST_F(SettingsStore, ProcessesStoringAtOnceLoseNothing)
{
    constexpr int kProcesses = 4;
    constexpr int kRounds = 40;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int failures = 0;
            try {
                TDbConnection conn;
                conn.SetConnectPath(dir_.string());
                conn.SetBusyTimeoutMs(10000);
                conn.Connect();
                TDbTable path(conn, "PathTab", "Path.ADT");
                path.SetIndexFieldNames("PFPRODUCT");
                for (int r = 0; r < kRounds; ++r) {
                    const std::string key = "K" + std::to_string(p);
                    SetPathData(key, std::to_string(r), "", path);
                    // The shared record: each process appends it if missing.
                    GetPathData("$LOC", "1", "", true, path);
                    if (!GetPathData(key, "", "", false, path) || path.FieldText(kPfPath) != std::to_string(r))
                        ++failures;
                }
            } catch (...) {
                failures = 100;
            }
            _exit(failures);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    }
    EXPECT_EQ(SqlQuery(dir_ / "Path.ADT", "PRAGMA integrity_check"), "ok\n");
    EXPECT_EQ(SqlQuery(dir_ / "Path.ADT", "SELECT PfProduct||'='||PfPath FROM Path ORDER BY 1"),
              "$LOC=1\nK0=39\nK1=39\nK2=39\nK3=39\n");
}

TEST_F(SettingsStore, AReadOnlyDataFolderRefusesStoresAndKeepsTheFiles)
{
    if (geteuid() != 0 && access(dir_.c_str(), W_OK) == 0) {
        // Ordinary user: make the folder and files read-only for ourselves.
        fs::permissions(dir_ / "Path.ADT", fs::perms::owner_read | fs::perms::group_read);
        fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    } else if (geteuid() == 0) {
        // root writes everywhere: run the check as an unprivileged user
        // who can read the folder but not write it.
        fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
        for (fs::path p = dir_.parent_path(); p != p.root_path(); p = p.parent_path())
            if (access(p.c_str(), X_OK) != 0)
                GTEST_SKIP() << "temporary folder not reachable by an unprivileged user";
    }
    const std::string before = FileBytes(dir_ / "Path.ADT");
    int pipefd[2];
    ASSERT_EQ(pipe(pipefd), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(pipefd[0]);
        std::string result;
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            result = "setuid failed";
        else {
            try {
                TDbConnection conn;
                conn.SetConnectPath(dir_.string());
                conn.SetBusyTimeoutMs(200);
                conn.Connect();
                TDbTable path(conn, "PathTab", "Path.ADT");
                path.SetIndexFieldNames("PFPRODUCT");
                path.Open();
                path.Append();
                path.SetFieldText(kPfProduct, "PELLO");
                path.Post();
                result = "stored";
            } catch (const EDbError& e) {
                result = e.what();
            }
        }
        (void)!write(pipefd[1], result.data(), result.size());
        _exit(0);
    }
    close(pipefd[1]);
    char buf[512];
    std::string result;
    ssize_t n;
    while ((n = read(pipefd[0], buf, sizeof buf)) > 0)
        result.append(buf, static_cast<size_t>(n));
    close(pipefd[0]);
    waitpid(pid, nullptr, 0);
    fs::permissions(dir_, fs::perms::owner_all);
    if (result == "setuid failed")
        GTEST_SKIP() << "cannot become an unprivileged user here";
    EXPECT_EQ(result.rfind("PathTab: attempt to write a readonly database", 0), 0u) << result;
    EXPECT_EQ(FileBytes(dir_ / "Path.ADT"), before);
    EXPECT_FALSE(fs::exists(dir_ / "Path.ADT-journal"));
}
