// corpus.h - the XM test corpus: real songs (songs/) and small test cases
// (cases/) written elsewhere. It is not part of the repository; CMake's
// BROVASK_XM_DIR points at it (by default ../shared/xm beside the checkout).
// Tests that need it skip, saying so, where it is missing.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

inline bool CorpusPresent() {
    return std::filesystem::is_directory(std::string(XM_DIR) + "/songs");
}

#define SKIP_WITHOUT_CORPUS()                                                                                \
    if (!CorpusPresent())                                                                                    \
    GTEST_SKIP() << "the XM corpus is not at " XM_DIR                                                        \
                    "; configure with cmake -DBROVASK_XM_DIR=<folder holding songs/ and cases/> to run this " \
                    "test"
