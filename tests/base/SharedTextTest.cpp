#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/SharedText.h"

namespace blowden {
namespace {

// Copies share the characters, and the text compares and orders as the
// std::string it holds (a ranking sorts its ties by file name).
TEST(SharedText, CopiesShareAndCompareAsStrings) {
  const TSharedText path = std::string("/db/Alpha.qfn");
  const TSharedText copy = path;
  EXPECT_EQ(&copy.str(), &path.str());
  EXPECT_EQ(copy, path);
  EXPECT_EQ(path, std::string_view("/db/Alpha.qfn"));
  EXPECT_EQ(path + " (A1)", "/db/Alpha.qfn (A1)");

  const TSharedText none;
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(none.str(), "");
  EXPECT_EQ(none, TSharedText(""));

  std::vector<TSharedText> files = {"b.qfn", "a.qfn", "", "a.qfn", "B.qfn"};
  std::vector<std::string> expected(files.begin(), files.end());
  std::sort(files.begin(), files.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_TRUE(std::equal(files.begin(), files.end(), expected.begin(),
                         [](const TSharedText& a, const std::string& b) { return a.str() == b; }));
}

}  // namespace
}  // namespace blowden
