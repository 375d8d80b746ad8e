#include <gtest/gtest.h>

#include "register/TextFile.h"
#include "support/TempDir.h"

namespace vrklad {
namespace {

TEST(TextFile, WritesCp1251WithCrLfAndReplaces) {
    test::TempDir dir;
    const auto path = dir / "Actual.log";
    ASSERT_FALSE(WriteTextFile(path, {"Старый", "x"}));
    ASSERT_FALSE(WriteTextFile(path, {"\tПротокол", "", "Я"}));
    EXPECT_EQ(test::ReadFile(path), "\t\xCF\xF0\xEE\xF2\xEE\xEA\xEE\xEB\r\n\r\n\xDF\r\n");
}

TEST(TextFile, MissingDirectoryIsAnError) {
    test::TempDir dir;
    EXPECT_TRUE(WriteTextFile(dir / "no" / "file.txt", {"a"}));
}

}  // namespace
}  // namespace vrklad
