#include "core/error_or.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tilvane {
namespace {

ErrorOr<int> Half(int value) {
  if (value % 2 != 0) return Failure{"odd"};
  return value / 2;
}

// Each TRY hands a failure up unchanged and stops the caller there.
ErrorOr<std::string> Quarter(int value, int* steps) {
  const int half = TRY(Half(value));
  ++*steps;
  const int quarter = TRY(Half(half));
  ++*steps;
  return std::to_string(quarter);
}

ErrorOr<void> CheckEven(int value) {
  TRY(Half(value));
  return {};
}

TEST(ErrorOrTest, TryYieldsTheValueOrReturnsTheFirstFailure) {
  int steps = 0;
  ErrorOr<std::string> whole = Quarter(12, &steps);
  ASSERT_TRUE(whole.ok());
  EXPECT_EQ(*whole, "3");
  EXPECT_EQ(steps, 2);

  steps = 0;
  ErrorOr<std::string> stopped = Quarter(6, &steps);
  ASSERT_FALSE(stopped.ok());
  EXPECT_STREQ(stopped.reason(), "odd");
  EXPECT_EQ(steps, 1);

  EXPECT_TRUE(CheckEven(4).ok());
  EXPECT_STREQ(CheckEven(5).reason(), "odd");
}

ErrorOr<std::unique_ptr<int>> Boxed(int value) {
  if (value < 0) return Failure{"negative"};
  return std::make_unique<int>(value);
}

ErrorOr<int> Unboxed(int value) {
  std::unique_ptr<int> box = TRY(Boxed(value));
  return *box;
}

TEST(ErrorOrTest, MoveOnlyValuesPassThroughTry) {
  EXPECT_EQ(*Unboxed(7), 7);
  EXPECT_STREQ(Unboxed(-1).reason(), "negative");
  EXPECT_FALSE(Boxed(-1).ToOptional().has_value());
  EXPECT_EQ(**Boxed(3).ToOptional(), 3);
}

}  // namespace
}  // namespace tilvane
