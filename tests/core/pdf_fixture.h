#pragma once
// Helpers for the PDF tests: reading back a written file object by object,
// inflating streams, external checkers and a folder nothing can be written to.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <map>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

namespace pdftest {

inline std::string ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().toStdString();
}

inline std::string Inflate(const std::string& z) {
    std::string out(std::max<size_t>(z.size() * 8, 1024), '\0');
    for (;;) {
        uLongf n = out.size();
        const int rc = uncompress(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(z.data()),
                                  static_cast<uLong>(z.size()));
        if (rc == Z_OK) {
            out.resize(n);
            return out;
        }
        if (rc != Z_BUF_ERROR) throw std::runtime_error("bad zlib data");
        out.resize(out.size() * 4);
    }
}

// The objects of a written file, found through its cross-reference table.
struct ParsedPdf {
    std::string bytes;
    int size = 0;                         // trailer /Size
    std::vector<long long> xref;          // offsets of objects 1 .. size-1
    long long startxref = -1;
    std::map<int, std::string> objects;   // number -> text from "n 0 obj" to "endobj\r\n"

    explicit ParsedPdf(std::string b) : bytes(std::move(b)) {
        const size_t sx = bytes.rfind("startxref\r\n");
        if (sx == std::string::npos) throw std::runtime_error("no startxref");
        startxref = std::stoll(bytes.substr(sx + 11));
        const size_t x = static_cast<size_t>(startxref);
        if (bytes.compare(x, 6, "xref\r\n") != 0) throw std::runtime_error("startxref does not point at xref");
        size_t p = x + 6;
        const size_t eol = bytes.find("\r\n", p);
        size = std::stoi(bytes.substr(p + 2, eol - p - 2));
        p = eol + 2;
        if (bytes.compare(p, 20, "0000000000 65535 f\r\n") != 0) throw std::runtime_error("bad free entry");
        p += 20;
        for (int n = 1; n < size; ++n, p += 20) xref.push_back(std::stoll(bytes.substr(p, 10)));
        // Objects are committed in number order, so each ends where the next
        // begins and the last one where the table begins.
        for (int n = 1; n < size; ++n) {
            const long long at = xref[static_cast<size_t>(n - 1)];
            const long long end = n < size - 1 ? xref[static_cast<size_t>(n)] : startxref;
            if (at < 0 || end < at || static_cast<size_t>(end) > bytes.size()) throw std::runtime_error("bad offsets");
            objects[n] = bytes.substr(static_cast<size_t>(at), static_cast<size_t>(end - at));
        }
    }
    // The raw bytes between "stream\r\n" and "endstream" of object n.
    std::string StreamData(int n) const {
        const std::string& o = objects.at(n);
        const size_t s = o.find("stream\r\n");
        const size_t e = o.rfind("endstream");
        if (s == std::string::npos || e == std::string::npos || e < s + 8) throw std::runtime_error("no stream");
        std::string d = o.substr(s + 8, e - s - 8);
        return d;
    }
};

inline bool HaveTool(const char* name) { return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty(); }

// Runs a program and returns its exit code (-1 if it did not run); output in *out.
inline int Run(const QString& program, const QStringList& args, std::string* out = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000)) return -1;
    if (out) *out = p.readAll().toStdString();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// qpdf --check must exit 0; pdftoppm must render every page. Returns the
// number of pages rendered, or -1 when the tools are missing.
inline int CheckWithTools(const QString& pdf, const QString& workDir) {
    if (!HaveTool("qpdf") || !HaveTool("pdftoppm")) return -1;
    std::string out;
    EXPECT_EQ(Run("qpdf", {"--check", pdf}, &out), 0) << out;
    const QString prefix = workDir + "/render";
    EXPECT_EQ(Run("pdftoppm", {"-r", "20", "-png", pdf, prefix}, &out), 0) << out;
    EXPECT_EQ(out.find("Error"), std::string::npos) << out;
    QDir d(workDir);
    return static_cast<int>(d.entryList({"render*.png"}, QDir::Files).size());
}

// A folder in which nothing can be created. Root ignores permissions, so for
// root the folder is also made immutable when the file system allows it.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path) : path_(path) {
        QDir().mkpath(path_);
        if (::chmod(QFile::encodeName(path_).constData(), 0555) != 0) return;
        if (CanCreate()) SetImmutable(true);
        ok_ = !CanCreate();
    }
    ~ReadOnlyFolder() {
        if (immutable_) SetImmutable(false);
        ::chmod(QFile::encodeName(path_).constData(), 0755);
    }
    bool ok() const { return ok_; }

private:
    bool CanCreate() const {
        const QByteArray probe = QFile::encodeName(path_ + "/.probe");
        const int fd = ::open(probe.constData(), O_CREAT | O_WRONLY, 0644);
        if (fd < 0) return false;
        ::close(fd);
        ::unlink(probe.constData());
        return true;
    }
    void SetImmutable(bool on) {
        const int fd = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0) return;
        int flags = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0) immutable_ = on;
        }
        ::close(fd);
    }
    QString path_;
    bool ok_ = false;
    bool immutable_ = false;
};

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t p = 0;
    while (p < text.size()) {
        const size_t e = text.find("\r\n", p);
        if (e == std::string::npos) {
            out.push_back(text.substr(p));
            break;
        }
        out.push_back(text.substr(p, e - p));
        p = e + 2;
    }
    return out;
}

} // namespace pdftest
