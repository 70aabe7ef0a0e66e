// The naming rules of font registration.
#include <gtest/gtest.h>

#include "install/install.h"

namespace gx::install {
namespace {

TEST(Install, FileNamesAndRegistryValues) {
    EXPECT_EQ(fontFileNameFor("My:Font*1"), "MyFont1.ttf");
    EXPECT_EQ(fontFileNameFor("a\"b/c<d>e\\f|g?"), "abcdefg?.ttf");
    EXPECT_EQ(trimExtension("C:\\X\\FONT.TTF2"), "C:\\X\\FONT.TTF");
    EXPECT_EQ(trimExtension("C:\\X\\FONT.TTF"), "C:\\X\\FONT.TTF");
    EXPECT_EQ(resolveRegisteredPath("MYFONT.TTF", "C:\\WINDOWS", "\\Fonts"),
              "C:\\WINDOWS\\Fonts\\MYFONT.TTF");
    EXPECT_EQ(resolveRegisteredPath("MYFONT.TTF", "C:\\WINNT", "\\system"),
              "C:\\WINNT\\system\\MYFONT.TTF");
    EXPECT_EQ(resolveRegisteredPath("D:\\F\\A.TTF", "C:\\WINDOWS", "\\Fonts"), "D:\\F\\A.TTF");
}

}  // namespace
}  // namespace gx::install
