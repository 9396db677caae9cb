#include <gtest/gtest.h>

#include <vector>

#include "swf/coder.h"

namespace transform {
namespace {

TEST(CoderTest, PlaceholderUntilTestsLand) { EXPECT_EQ(FSCoder::bitsFor(1, true), 2); }

}  // namespace
}  // namespace transform
