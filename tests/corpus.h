#pragma once
// The real public libraries the tests read live outside the repository, at
// ../shared/corpus. Without them those tests skip, saying so.
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tarnel::test {
inline bool HaveCorpus() {
    struct stat st {};
    return stat(TARNEL_CORPUS, &st) == 0 && S_ISDIR(st.st_mode);
}
} // namespace tarnel::test

#define REQUIRE_CORPUS()                                                                                   \
    if (!tarnel::test::HaveCorpus())                                                                       \
    GTEST_SKIP() << "real libraries not found at " TARNEL_CORPUS " (see the README: the real libraries)"
