#pragma once
// Reading a PDF file back as its readers do: the PDF tools of poppler-utils
// and qpdf.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <string>

#define REQUIRE_TOOL(name)                                                                                    \
    if (QStandardPaths::findExecutable(name).isEmpty()) GTEST_SKIP() << name << " is not installed"

// Runs a tool; its exit code, standard output in out (and error after it).
inline int RunTool(const QString& tool, const QStringList& args, std::string* out = nullptr) {
    QProcess p;
    p.start(tool, args);
    p.waitForFinished(600000);
    if (out) *out = p.readAllStandardOutput().toStdString() + p.readAllStandardError().toStdString();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

inline std::string ToolOutput(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    p.waitForFinished(600000);
    return p.readAllStandardOutput().toStdString();
}

inline void WriteFileBytes(const QString& path, const std::string& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

inline QJsonObject QpdfJson(const QString& path, const QString& key) {
    const std::string out = ToolOutput("qpdf", {"--json", "--json-key=" + key, path});
    return QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
}

// The dictionary of object ref ("N G R"), as qpdf shows it.
inline QJsonObject PdfObject(const QString& path, const QString& ref) {
    const QJsonArray q = QpdfJson(path, "qpdf").value("qpdf").toArray();
    return q.size() < 2 ? QJsonObject() : q[1].toObject().value("obj:" + ref).toObject().value("value").toObject();
}

inline QJsonObject PdfCatalog(const QString& path) {
    const QJsonArray q = QpdfJson(path, "qpdf").value("qpdf").toArray();
    if (q.size() < 2) return {};
    const QString root = q[1].toObject().value("trailer").toObject().value("value").toObject().value("/Root").toString();
    return q[1].toObject().value("obj:" + root).toObject().value("value").toObject();
}

// The bookmarks: title, destpageposfrom1, kids.
inline QJsonArray PdfOutline(const QString& path) { return QpdfJson(path, "outlines").value("outlines").toArray(); }

// Each page's label as a viewer shows it.
inline QStringList PdfPageLabels(const QString& path) {
    QStringList out;
    for (const QJsonValue& p : QpdfJson(path, "pages").value("pages").toArray()) {
        const QJsonObject l = p.toObject().value("label").toObject();
        QString prefix = l.value("/P").toString();
        if (prefix.startsWith("u:")) prefix.remove(0, 2);
        out << prefix + (l.contains("/S") ? QString::number(l.value("/St").toInt(1)) : QString());
    }
    return out;
}

// A field of pdfinfo's report, its value without the blanks around it.
inline std::string PdfInfo(const QString& pdf, const std::string& field) {
    const std::string all = "\n" + ToolOutput("pdfinfo", {pdf});
    const size_t at = all.find("\n" + field + ":");
    if (at == std::string::npos) return "?";
    size_t b = at + field.size() + 2, e = all.find('\n', b);
    while (b < e && all[b] == ' ') ++b;
    return all.substr(b, e - b);
}

// Text with every run of blanks and line ends made one blank.
inline std::string Squeezed(const std::string& s) {
    std::string out;
    bool blank = false;
    for (char c : s) {
        const bool b = c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f';
        if (b) {
            blank = !out.empty();
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += c;
    }
    return out;
}
