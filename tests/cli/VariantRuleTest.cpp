#include <gtest/gtest.h>

#include "cli/RunDriver.h"

using q32::VariantMemoryLimit;

// The memory limit of Python menu items depends on the machine variant that
// the -a list names.
TEST(VariantRule, RaisesTheLimitOnlyForLaterVariantsOfTheBaseFamily) {
  EXPECT_EQ(128, VariantMemoryLimit("$VARIANTBASE$ = 48213x1,$VARIANTINDEX$ = 01A"));  // 1 + letter
  EXPECT_EQ(64, VariantMemoryLimit("$VARIANTBASE$ = 48213x1,$VARIANTINDEX$ = 01"));
  EXPECT_EQ(128, VariantMemoryLimit("X=1,$VARIANTINDEX$ = 02,$VARIANTBASE$ = 48213x7"));
  EXPECT_EQ(128, VariantMemoryLimit("$VARIANTBASE$ = 48213x,$VARIANTINDEX$ = 17"));
  // Written without the blanks around "=", the markers are not recognised.
  EXPECT_EQ(64, VariantMemoryLimit("$VARIANTBASE$=48213x1,$VARIANTINDEX$=05"));
  // Another base family, a missing index, lower-case letters.
  EXPECT_EQ(64, VariantMemoryLimit("$VARIANTBASE$ = 48214x1,$VARIANTINDEX$ = 05"));
  EXPECT_EQ(64, VariantMemoryLimit("$VARIANTBASE$ = 48213x1"));
  EXPECT_EQ(64, VariantMemoryLimit("$VARIANTBASE$ = 48213x1,$VARIANTINDEX$ = 01a"));
  EXPECT_EQ(64, VariantMemoryLimit("$variantbase$ = 48213x1,$variantindex$ = 05"));
  // A truncated list ends after the marker.
  EXPECT_EQ(64, VariantMemoryLimit("$VARIANTINDEX$ = "));
  EXPECT_EQ(64, VariantMemoryLimit("$VARIANTBASE$ = 482"));
}
