#include "text_types.h"
#include <gtest/gtest.h>
TEST(TextTypes, Placeholder) { EXPECT_EQ(find_text("abc", "c"), 3); }
