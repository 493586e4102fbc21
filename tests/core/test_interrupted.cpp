// Interrupted runs and written files: a catalog stopped by SIGINT, SIGTERM
// or SIGKILL leaves nothing in the temporary folder nor beside its outputs,
// and a file written whole is never left half written.
#include "report/tempfile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <string>

using namespace tarnel;

namespace {

QStringList Entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// A library long enough that its catalog and PDF take a while.
void WriteLongLibrary(const QString& path, int modules) {
    std::string s = "PCBNEW-LibModule-V1  01/01/2010-00:00:00\n";
    for (int i = 0; i < modules; ++i) {
        const std::string n = "M" + std::to_string(i);
        s += "$MODULE " + n + "\nPo 0 0 0 15 0 0 ~~\nT0 0 -600 600 600 0 120 N V 21 \"" + n + "\"\n";
        for (int k = 0; k < 8; ++k)
            s += "DS " + std::to_string(-3000 + k * 700) + " -2000 " + std::to_string(-2000 + k * 700) +
                 " 2000 120 21\n";
        s += "DC 0 0 1500 0 80 21\n";
        for (int p = 0; p < 16; ++p)
            s += "$PAD\nSh \"" + std::to_string(p + 1) + "\" C 600 600 0 0 0\nDr 320 0 0\nAt STD N 00E0FFFF\nPo " +
                 std::to_string((p % 8) * 1000 - 3500) + " " + std::to_string(p < 8 ? -1500 : 1500) + "\n$EndPAD\n";
        s += "$EndMODULE " + n + "\n";
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(s.data(), static_cast<qint64>(s.size()));
}

} // namespace

TEST(Interrupted, StoppedCatalogsLeaveNoFiles) {
    QTemporaryDir d;
    const QString tmp = d.filePath("tmp"), out = d.filePath("out"), lib = d.filePath("long.mod");
    ASSERT_TRUE(QDir().mkpath(tmp));
    ASSERT_TRUE(QDir().mkpath(out));
    WriteLongLibrary(lib, 600);
    const struct { const char* name; int sig; } cases[] = {{"SIGINT", SIGINT}, {"SIGTERM", SIGTERM}, {"SIGKILL", SIGKILL}};
    for (const auto& c : cases) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), tmp);
        p.setProcessEnvironment(env);
        p.start(TARNEL_CLI, {"catalog", "drawings", lib, "--qrp", out + "/c.qrp", "--pdf", out + "/c"});
        ASSERT_TRUE(p.waitForStarted());
        QThread::msleep(1200);  // well into the run on any machine; a run already over proves nothing less
        ::kill(static_cast<pid_t>(p.processId()), c.sig);
        ASSERT_TRUE(p.waitForFinished(120000)) << c.name;
        EXPECT_EQ(Entries(tmp), QStringList{}) << c.name;
        const QStringList left = Entries(out);
        for (const QString& f : left)
            EXPECT_TRUE(f == "c.qrp" || f == "c.PDF") << c.name << ": " << f.toStdString() << " left behind";
    }
}

// ReplaceFile: the old contents survive a failing writer, and no file is
// left beside the target either way.
TEST(Interrupted, ReplaceFileIsWholeOrNothing) {
    QTemporaryDir d;
    const std::string path = QFile::encodeName(d.filePath("x.txt")).toStdString();
    ReplaceFile(path, [](int fd) { WriteFully(fd, "old", 3, "x"); }, "x");
    EXPECT_THROW(ReplaceFile(
                     path,
                     [](int fd) {
                         WriteFully(fd, "partial", 7, "x");
                         throw std::runtime_error("the writer failed");
                     },
                     "x"),
                 std::runtime_error);
    QFile f(d.filePath("x.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old"));
    EXPECT_EQ(Entries(d.path()), QStringList{"x.txt"});
    ReplaceFile(path, [](int fd) { WriteFully(fd, "new!", 4, "x"); }, "x");
    f.close();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("new!"));
    EXPECT_EQ(Entries(d.path()), QStringList{"x.txt"});
    try {
        ReplaceFile("/nonexistent-folder/x.txt", [](int) {}, "\"/nonexistent-folder/x.txt\"");
        ADD_FAILURE() << "written into a folder that does not exist";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "cannot create \"/nonexistent-folder/x.txt\": No such file or directory");
    }
}

// A file with no name takes writes and reads and leaves no entry.
TEST(Interrupted, UnnamedFilesLeaveNoEntry) {
    QTemporaryDir d;
    const int fd = OpenUnnamedFile(QFile::encodeName(d.path()).toStdString());
    ASSERT_GE(fd, 0);
    WriteFully(fd, "pages", 5, "t");
    char buf[8] = {};
    EXPECT_EQ(::pread(fd, buf, 5, 0), 5);
    EXPECT_STREQ(buf, "pages");
    EXPECT_EQ(Entries(d.path()), QStringList{});
    ::close(fd);
    EXPECT_EQ(OpenUnnamedFile("/nonexistent-folder"), -1);
}
