// The one way the core reports a failure: a function that can fail returns
// ErrorOr<T>, which holds either its value or a Failure naming the reason in
// a short English phrase ("mask bitmap cut short"). Reasons are string
// literals, so failing costs nothing and a reason outlives every result.
//
// TRY(expression) evaluates an ErrorOr, returns its failure from the calling
// function (which must itself return some ErrorOr or a Failure), and
// otherwise yields the value:
//
//   ErrorOr<Header> ReadHeader(SpanReader& reader);
//   ErrorOr<Group> ReadGroup(ByteSpan bytes) {
//     SpanReader reader(bytes);
//     Header header = TRY(ReadHeader(reader));
//     ...
//   }
//
// The documented failure values of the outer interfaces (-1, empty bytes,
// empty text) are made from an ErrorOr only at those interfaces.
#pragma once

#include <cassert>
#include <optional>
#include <type_traits>
#include <utility>

namespace tilvane {

struct Failure {
  const char* reason;  // a string literal, never null
};

template <typename T>
class [[nodiscard]] ErrorOr {
 public:
  template <typename U, typename = std::enable_if_t<std::is_constructible_v<T, U&&> && !std::is_same_v<std::decay_t<U>, Failure> &&
                                                    !std::is_same_v<std::decay_t<U>, ErrorOr>>>
  ErrorOr(U&& value) : value_(std::in_place, std::forward<U>(value)) {}  // NOLINT(google-explicit-constructor)
  ErrorOr(Failure failure) : reason_(failure.reason) {}                 // NOLINT(google-explicit-constructor)

  bool ok() const { return value_.has_value(); }
  bool has_value() const { return ok(); }
  explicit operator bool() const { return ok(); }
  // The reason; only for a failure.
  const char* reason() const {
    assert(!ok());
    return reason_;
  }
  Failure failure() const { return Failure{reason()}; }

  T& value() & { return *value_; }
  const T& value() const& { return *value_; }
  T&& value() && { return std::move(*value_); }
  T& operator*() & { return *value_; }
  const T& operator*() const& { return *value_; }
  T&& operator*() && { return std::move(*value_); }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }

  T value_or(T fallback) const& { return ok() ? *value_ : std::move(fallback); }
  T value_or(T fallback) && { return ok() ? std::move(*value_) : std::move(fallback); }

  // The value itself, moved out; what TRY yields.
  T release_value() { return std::move(*value_); }

  // Equal to a value when it holds one equal to it, as an optional is.
  friend bool operator==(const ErrorOr& result, const T& value) { return result.ok() && *result == value; }

  // The value, or nothing: for the interfaces that report only whether.
  std::optional<T> ToOptional() && { return std::move(value_); }

 private:
  std::optional<T> value_;
  const char* reason_ = nullptr;
};

// Success with nothing to give.
template <>
class [[nodiscard]] ErrorOr<void> {
 public:
  ErrorOr() = default;
  ErrorOr(Failure failure) : reason_(failure.reason) {}  // NOLINT(google-explicit-constructor)

  bool ok() const { return reason_ == nullptr; }
  explicit operator bool() const { return ok(); }
  const char* reason() const {
    assert(!ok());
    return reason_;
  }
  Failure failure() const { return Failure{reason()}; }
  void value() const {}
  void release_value() const {}

 private:
  const char* reason_ = nullptr;
};

}  // namespace tilvane

// GCC and Clang (the compilers of every build, MinGW-w64 included) give a
// block's last expression as its value; __extension__ keeps -Wpedantic quiet.
#define TRY(expression)                                                  \
  __extension__({                                                        \
    auto&& tryResult_ = (expression);                                    \
    if (!tryResult_.ok()) return ::tilvane::Failure{tryResult_.reason()}; \
    tryResult_.release_value();                                          \
  })
