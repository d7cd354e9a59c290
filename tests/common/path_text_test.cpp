// File names kept byte for byte through QString.
#include <gtest/gtest.h>

#include "common/PathText.h"

namespace {

TEST(PathText, NamesKeepTheirBytesAndShowThoseThatAreNotUtf8) {
  struct Case {
    std::string bytes;
    const char* shown;
  };
  const Case cases[] = {
      {"/data/essai.zrl", "/data/essai.zrl"},
      {"/data/essai_\xC3\xA9.zrl", "/data/essai_\xC3\xA9.zrl"},   // UTF-8: as it is
      {"/data/essai_\xE9.zrl", "/data/essai_\\xE9.zrl"},          // Latin-1
      {"\xFF\xFE", "\\xFF\\xFE"},
      {"a\xC3", "a\\xC3"},                                        // cut sequence
      {"\xC0\xAF", "\\xC0\\xAF"},                                 // overlong "/"
      {"\xED\xB2\x80", "\\xED\\xB2\\x80"},                        // an encoded surrogate
      // U+10080: its low surrogate (DC80) must not pass for a kept byte.
      {"\xF0\x90\x82\x80", "\xF0\x90\x82\x80"},
  };
  for (const Case& c : cases) {
    const QString path = pathFromBytes(c.bytes);
    EXPECT_EQ(pathBytes(path), c.bytes) << c.shown;
    EXPECT_EQ(visibleText(path).toStdString(), c.shown);
  }
}

}  // namespace
