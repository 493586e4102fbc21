// Replays the kept fuzz inputs (seeds and crash reproducers).
#include "bodies.h"

#include <gtest/gtest.h>

#include <QDir>

#include <functional>

namespace {
int Replay(const char* target, const std::function<void(const uint8_t*, size_t)>& body) {
    QDir d(QStringLiteral(TARNEL_FUZZ_CORPUS "/") + target);
    int n = 0;
    for (const QString& f : d.entryList(QDir::Files)) {
        const std::string bytes = tarnel::ReadFileBytes(d.filePath(f).toStdString());
        body(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        ++n;
    }
    return n;
}
} // namespace

TEST(FuzzRegress, Render) { EXPECT_GT(Replay("render", tarnel::fuzz::Render), 0); }
TEST(FuzzRegress, Library) { EXPECT_GT(Replay("library", tarnel::fuzz::Library), 0); }
TEST(FuzzRegress, Footprint) { EXPECT_GT(Replay("footprint", tarnel::fuzz::Footprint), 0); }
TEST(FuzzRegress, Index) { EXPECT_GT(Replay("index", tarnel::fuzz::Index), 0); }
TEST(FuzzRegress, Symbol) { EXPECT_GT(Replay("symbol", tarnel::fuzz::Symbol), 0); }
TEST(FuzzRegress, PdfUpdate) { EXPECT_GT(Replay("pdfupdate", tarnel::fuzz::PdfUpdate), 0); }
TEST(FuzzRegress, Tables) { EXPECT_GT(Replay("tables", tarnel::fuzz::Tables), 0); }
TEST(FuzzRegress, SearchCache) { EXPECT_GT(Replay("searchcache", tarnel::fuzz::SearchCache), 0); }
